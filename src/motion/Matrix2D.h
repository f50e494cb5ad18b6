#pragma once
// Rectangular table of doubles: rows are signals, columns are time samples, stored column-major so
// that one frame of every signal is contiguous.
#include <cstdint>

class Matrix2D {
public:
    Matrix2D() = default;
    // A zero-filled rows x cols table; empty when either size is not above 0.
    Matrix2D(int32_t rows, int32_t cols);
    Matrix2D(const Matrix2D& other);
    Matrix2D& operator=(const Matrix2D& other);
    virtual ~Matrix2D();

    virtual void Free();
    // Discards the contents and makes a new buffer; zeroed when `zero` is set.
    virtual bool Resize(int32_t rows, int32_t cols, bool zero);
    virtual bool CopyFrom(const Matrix2D& other);
    virtual bool CopyFrom(int32_t rows, int32_t cols, const double* values);
    virtual double* GetData() { return data; }
    virtual const double* GetData() const { return data; }
    virtual int32_t GetRows() const { return rows; }
    virtual int32_t GetCols() const { return cols; }
    virtual void Fill(double value);
    // Grows (or, with n < 0, shrinks) the row count keeping the contents of the kept rows.
    virtual bool AddRows(int32_t n);
    // Removes rows first .. first + n - 1; refuses a range outside the table.
    virtual bool RemoveRows(int32_t first, int32_t n);

    // Element access by linear index row + col * rows: reads outside the table give 0.0, writes
    // outside it are ignored. Only the linear index is checked, so a row past the row count reaches
    // an element of a later column.
    static double GetValue(const Matrix2D* table, int32_t row, int32_t col);
    static void SetValue(Matrix2D* table, int32_t row, int32_t col, double value);
    double GetValue(int32_t row, int32_t col) const { return GetValue(this, row, col); }
    void SetValue(int32_t row, int32_t col, double value) { SetValue(this, row, col, value); }

    int32_t rows = 0;
    int32_t cols = 0;
    double* data = nullptr;
    int32_t size = 0;
};
