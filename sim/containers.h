#ifndef CALORIVECTRIX_SIM_CONTAINERS_H
#define CALORIVECTRIX_SIM_CONTAINERS_H

// Owning arrays of the numerical core. Grid matrices are indexed [I][J]: the first index
// runs West -> East over I, the second South -> North over J. A matrix over the volumes is
// ni x nj; over the South/North faces ni x (nj+1), column J being the South face of volume
// row J; over the West/East faces (ni+1) x nj, row I being the West face of column I.
// Subscripts are unchecked: callers that index with outside values check first.

#include <cstdint>
#include <utility>

#include "sim/check.h"

template <class T>
class Vector {
 public:
  Vector() = default;
  // Elements are left uninitialised.
  explicit Vector(int32_t count) : n(count), v(count > 0 ? new T[count] : nullptr) {}
  Vector(const Vector& other) : n(other.n), v(other.n > 0 ? new T[other.n] : nullptr) {
    for (int32_t i = 0; i < n; ++i)
      v[i] = other.v[i];
  }
  Vector& operator=(const Vector& other) {
    if (this != &other) {
      Vector copy(other);
      Swap(copy);
    }
    return *this;
  }
  ~Vector() { delete[] v; }

  int32_t N() const { return n; }
  T& operator[](int32_t i) { return v[i]; }
  const T& operator[](int32_t i) const { return v[i]; }
  T* Data() { return v; }
  const T* Data() const { return v; }

  void SetAll(const T& value) {
    for (int32_t i = 0; i < n; ++i)
      v[i] = value;
  }

  void Swap(Vector& other) {
    std::swap(n, other.n);
    std::swap(v, other.v);
  }

 private:
  int32_t n = 0;
  T* v = nullptr;
};

template <class T>
class NumVector : public Vector<T> {
 public:
  using Vector<T>::Vector;
};

template <class T>
class Matrix {
 public:
  Matrix() = default;
  // Rows are allocated one by one; elements are left uninitialised.
  Matrix(int32_t rows, int32_t columns) { Allocate(rows, columns); }
  // A deep copy: every row allocated afresh.
  Matrix(const Matrix& other) {
    Allocate(other.n, other.m);
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < m; ++j)
        v[i][j] = other.v[i][j];
    }
  }
  Matrix& operator=(const Matrix& other) {
    if (this != &other) {
      Matrix copy(other);
      Swap(copy);
    }
    return *this;
  }
  ~Matrix() { Release(); }

  int32_t N() const { return n; }
  int32_t M() const { return m; }
  T* operator[](int32_t i) { return v[i]; }
  const T* operator[](int32_t i) const { return v[i]; }

  void SetAll(const T& value) {
    for (int32_t i = 0; i < n; ++i) {
      for (int32_t j = 0; j < m; ++j)
        v[i][j] = value;
    }
  }

  // Copies the values of a matrix of the same shape without reallocating.
  void CopyValuesFrom(const Matrix& other) {
    INVARIANT(other.n == n && other.m == m, "other.N()==N() && other.M()==M()");
    for (int32_t i = 0; i < n; ++i) {
      const T* from = other.v[i];
      T* to = v[i];
      for (int32_t j = 0; j < m; ++j)
        to[j] = from[j];
    }
  }

  void Swap(Matrix& other) {
    std::swap(n, other.n);
    std::swap(m, other.m);
    std::swap(v, other.v);
  }

 protected:
  bool HasData() const { return v != nullptr; }

 private:
  void Allocate(int32_t rows, int32_t columns) {
    n = rows > 0 ? rows : 0;
    m = columns > 0 ? columns : 0;
    if (n == 0)
      return;
    v = new T*[n];
    for (int32_t i = 0; i < n; ++i)
      v[i] = nullptr;
    try {
      for (int32_t i = 0; i < n; ++i)
        v[i] = new T[m > 0 ? m : 0];
    } catch (...) {
      Release();
      throw;
    }
  }

  void Release() {
    if (v) {
      for (int32_t i = 0; i < n; ++i)
        delete[] v[i];
      delete[] v;
    }
    v = nullptr;
    n = 0;
    m = 0;
  }

  int32_t n = 0;
  int32_t m = 0;
  T** v = nullptr;
};

template <class T>
class NumMatrix : public Matrix<T> {
 public:
  using Matrix<T>::Matrix;

  // Smallest and largest element, visited row by row. An empty matrix leaves both untouched.
  void MinMax(T& min, T& max) const {
    if (this->N() == 0 || this->M() == 0)
      return;
    INVARIANT(this->HasData(), "v");
    min = (*this)[0][0];
    max = (*this)[0][0];
    for (int32_t i = 0; i < this->N(); ++i) {
      const T* row = (*this)[i];
      for (int32_t j = 0; j < this->M(); ++j) {
        const T value = row[j];
        if (min > value) {
          min = value;
        } else if (max < value) {
          max = value;
        }
      }
    }
  }
};

#endif
