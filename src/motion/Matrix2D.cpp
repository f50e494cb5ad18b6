#include "motion/Matrix2D.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

namespace {

// Element count of a rows x cols table, or -1 when it does not fit the 32-bit size field.
int64_t ElementCount(int32_t rows, int32_t cols) {
    const int64_t n = static_cast<int64_t>(rows) * cols;
    return n > INT32_MAX ? -1 : n;
}

}  // namespace

Matrix2D::Matrix2D(int32_t r, int32_t c) {
    if (r > 0 && c > 0) Resize(r, c, true);
}

Matrix2D::Matrix2D(const Matrix2D& other) {
    // Through the other table's operations, so a subclass's view of its data is what gets copied.
    const double* values = other.GetData();
    const int32_t c = other.GetCols();
    const int32_t r = other.GetRows();
    if (values && Resize(r, c, false)) std::memcpy(data, values, sizeof(double) * size);
}

Matrix2D& Matrix2D::operator=(const Matrix2D& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

Matrix2D::~Matrix2D() {
    delete[] data;
    data = nullptr;
    rows = cols = size = 0;
}

void Matrix2D::Free() {
    delete[] data;
    data = nullptr;
    rows = cols = size = 0;
}

bool Matrix2D::Resize(int32_t r, int32_t c, bool zero) {
    Free();
    if (r <= 0 || c <= 0) return false;
    const int64_t n = ElementCount(r, c);
    if (n < 0) return false;
    double* buffer = new (std::nothrow) double[static_cast<size_t>(n)];
    if (!buffer) return false;
    if (zero) std::fill(buffer, buffer + n, 0.0);
    data = buffer;
    rows = r;
    cols = c;
    size = static_cast<int32_t>(n);
    return true;
}

bool Matrix2D::CopyFrom(const Matrix2D& other) {
    if (&other == this) return data != nullptr;
    return CopyFrom(other.GetRows(), other.GetCols(), other.GetData());
}

bool Matrix2D::CopyFrom(int32_t r, int32_t c, const double* values) {
    if (values == data && values != nullptr) return true;  // copying onto itself
    if (!Resize(r, c, false)) return false;
    if (values) {
        std::memcpy(data, values, sizeof(double) * size);
    } else {
        std::fill(data, data + size, 0.0);
    }
    return true;
}

void Matrix2D::Fill(double value) {
    if (data) std::fill(data, data + size, value);
}

bool Matrix2D::AddRows(int32_t n) {
    const int64_t newRows = static_cast<int64_t>(rows) + n;
    if (newRows <= 0 || newRows > INT32_MAX) return false;
    if (data == nullptr) return false;  // nothing to keep and no column count to grow
    Matrix2D old(*this);
    if (old.data == nullptr) return false;
    if (!Resize(static_cast<int32_t>(newRows), old.cols, true)) {
        CopyFrom(old.rows, old.cols, old.data);
        return false;
    }
    const int32_t keep = std::min(old.rows, rows);
    for (int32_t c = 0; c < cols; ++c) {
        std::memcpy(data + static_cast<size_t>(c) * rows, old.data + static_cast<size_t>(c) * old.rows,
                    sizeof(double) * keep);
    }
    return true;
}

bool Matrix2D::RemoveRows(int32_t first, int32_t n) {
    // Refuse any range that is not inside the table; the table is left as it was.
    if (first < 0 || first >= rows || n < 1 || static_cast<int64_t>(first) + n > rows) return false;
    if (rows - n <= 0) {
        std::cout << "Invalid col number\n";
        return false;
    }
    Matrix2D old(*this);
    if (old.data == nullptr || !Resize(rows - n, old.cols, true)) {
        std::cout << "unable to create new data!\n";
        if (old.data) CopyFrom(old.rows, old.cols, old.data);
        return false;
    }
    for (int32_t c = 0; c < cols; ++c) {
        const double* src = old.data + static_cast<size_t>(c) * old.rows;
        double* dst = data + static_cast<size_t>(c) * rows;
        std::memcpy(dst, src, sizeof(double) * first);
        std::memcpy(dst + first, src + first + n, sizeof(double) * (old.rows - first - n));
    }
    return true;
}

double Matrix2D::GetValue(const Matrix2D* table, int32_t row, int32_t col) {
    if (!table || !table->data) return 0.0;
    const int64_t i = static_cast<int64_t>(row) + static_cast<int64_t>(col) * table->rows;
    return (i >= 0 && i < table->size) ? table->data[i] : 0.0;
}

void Matrix2D::SetValue(Matrix2D* table, int32_t row, int32_t col, double value) {
    if (!table || !table->data) return;
    const int64_t i = static_cast<int64_t>(row) + static_cast<int64_t>(col) * table->rows;
    if (i >= 0 && i < table->size) table->data[i] = value;
}
