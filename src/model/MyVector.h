#pragma once

// Growable array of doubles used as scratch storage by the model's signal routines. It owns its
// array; copies are deep.
class MyVector {
public:
    // Empty when count <= 0 or when the array cannot be had; otherwise count elements of fill.
    explicit MyVector(int count = 0, double fill = 0.0);
    MyVector(const MyVector& other);
    MyVector& operator=(const MyVector& other);
    MyVector(MyVector&& other) noexcept;
    MyVector& operator=(MyVector&& other) noexcept;
    virtual ~MyVector();

    virtual int GetCount() const;
    virtual int GetSize() const;
    virtual void Clear();
    // Leaves the vector empty and returns false when count <= 0 or the array cannot be had.
    virtual bool Allocate(int count, bool zero);
    virtual bool SetFromArray(int count, const double* source);
    virtual bool SetFrom(const MyVector& other);
    virtual void Fill(double value);

    double* Data() { return data_; }
    const double* Data() const { return data_; }
    // No bounds check: the signal routines index within the count they allocated.
    double& operator[](int i) { return data_[i]; }
    double operator[](int i) const { return data_[i]; }

private:
    double* data_ = nullptr;
    int count_ = 0;
};
