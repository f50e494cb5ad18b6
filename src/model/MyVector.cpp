#include "model/MyVector.h"

#include <cstddef>
#include <new>
#include <utility>

MyVector::MyVector(int count, double fill) {
    if (Allocate(count, true) && fill != 0.0) Fill(fill);
}

MyVector::MyVector(const MyVector& other) { SetFrom(other); }

MyVector& MyVector::operator=(const MyVector& other) {
    if (this != &other) SetFrom(other);
    return *this;
}

MyVector::MyVector(MyVector&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0)) {}

MyVector& MyVector::operator=(MyVector&& other) noexcept {
    if (this != &other) {
        delete[] data_;
        data_ = std::exchange(other.data_, nullptr);
        count_ = std::exchange(other.count_, 0);
    }
    return *this;
}

MyVector::~MyVector() { delete[] data_; }

int MyVector::GetCount() const { return count_; }

int MyVector::GetSize() const { return count_; }

void MyVector::Clear() {
    delete[] data_;
    data_ = nullptr;
    count_ = 0;
}

bool MyVector::Allocate(int count, bool zero) {
    Clear();
    if (count <= 0) return false;
    data_ = new (std::nothrow) double[static_cast<std::size_t>(count)];
    if (data_ == nullptr) return false;
    if (zero)
        for (int i = 0; i < count; ++i) data_[i] = 0.0;
    count_ = count;
    return true;
}

bool MyVector::SetFromArray(int count, const double* source) {
    if (source == nullptr) {
        Clear();
        return false;
    }
    if (!Allocate(count, true)) return false;
    for (int i = 0; i < count; ++i) data_[i] = source[i];
    return true;
}

bool MyVector::SetFrom(const MyVector& other) {
    if (&other == this) return count_ > 0;
    if (!Allocate(other.GetCount(), true)) return false;
    const double* source = other.Data();
    if (source != nullptr)
        for (int i = 0; i < count_; ++i) data_[i] = source[i];
    return true;
}

void MyVector::Fill(double value) {
    if (data_ == nullptr || count_ == 0) return;
    for (int i = 0; i < count_; ++i) data_[i] = value;
}
