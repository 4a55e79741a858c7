#pragma once
// Growable array of trivially copyable elements with the fixed layout the
// host side expects: logical length, physical length, grow length, data.
#include "geom/memory_controller.h"

#include <cassert>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <utility>

template <class T>
class GcGeArray {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved with memcpy");

public:
  // A grow length of 0 means the default of 8.
  explicit GcGeArray(int physicalLength = 0, int growLength = 8)
      : mGrowLen(growLength > 0 ? growLength : 8) {
    if (physicalLength > 0)
      reserve(physicalLength);
  }
  GcGeArray(std::initializer_list<T> items) : GcGeArray(static_cast<int>(items.size())) {
    for (const T& v : items)
      append(v);
  }
  GcGeArray(const GcGeArray& o) : GcGeArray(o.mLogicalLen, o.mGrowLen) {
    if (o.mLogicalLen > 0)
      std::memcpy(static_cast<void*>(mpArray), o.mpArray, sizeof(T) * o.mLogicalLen);
    mLogicalLen = o.mLogicalLen;
  }
  GcGeArray(GcGeArray&& o) noexcept
      : mLogicalLen(o.mLogicalLen), mPhysicalLen(o.mPhysicalLen), mGrowLen(o.mGrowLen), mpArray(o.mpArray) {
    o.mLogicalLen = o.mPhysicalLen = 0;
    o.mpArray = nullptr;
  }
  GcGeArray& operator=(GcGeArray o) noexcept {
    std::swap(mLogicalLen, o.mLogicalLen);
    std::swap(mPhysicalLen, o.mPhysicalLen);
    std::swap(mGrowLen, o.mGrowLen);
    std::swap(mpArray, o.mpArray);
    return *this;
  }
  ~GcGeArray() { IcGeMemoryController::deallocateArray(mpArray); }

  int length() const { return mLogicalLen; }
  int logicalLength() const { return mLogicalLen; }
  int physicalLength() const { return mPhysicalLen; }
  int growLength() const { return mGrowLen; }
  bool isEmpty() const { return mLogicalLen == 0; }
  const T* asArrayPtr() const { return mpArray; }
  T* asArrayPtr() { return mpArray; }
  const T* begin() const { return mpArray; }
  const T* end() const { return mpArray + mLogicalLen; }
  T* begin() { return mpArray; }
  T* end() { return mpArray + mLogicalLen; }

  const T& operator[](int i) const { assert(i >= 0 && i < mLogicalLen && "index out of range"); return mpArray[i]; }
  T& operator[](int i) { assert(i >= 0 && i < mLogicalLen && "index out of range"); return mpArray[i]; }
  const T& at(int i) const { return (*this)[i]; }
  T& at(int i) { return (*this)[i]; }
  const T& first() const { return (*this)[0]; }
  const T& last() const { return (*this)[mLogicalLen - 1]; }
  T& first() { return (*this)[0]; }
  T& last() { return (*this)[mLogicalLen - 1]; }

  GcGeArray& setGrowLength(int n) { mGrowLen = n > 0 ? n : 8; return *this; }
  GcGeArray& setPhysicalLength(int n) {
    if (n < mLogicalLen)
      mLogicalLen = n < 0 ? 0 : n;
    realloc(n < 0 ? 0 : n);
    return *this;
  }
  // New elements beyond the old length are value-initialised.
  GcGeArray& setLogicalLength(int n) {
    if (n < 0)
      n = 0;
    if (n > mPhysicalLen)
      reserve(n);
    for (int i = mLogicalLen; i < n; ++i)
      mpArray[i] = T{};
    mLogicalLen = n;
    return *this;
  }
  GcGeArray& setAll(const T& v) {
    for (int i = 0; i < mLogicalLen; ++i)
      mpArray[i] = v;
    return *this;
  }
  int append(const T& v) {
    // v may live inside this array: copy before growing.
    const T copy = v;
    // Growth by at least the grow length, and geometric for long arrays so
    // that appending n elements stays O(n).
    if (mLogicalLen == mPhysicalLen)
      realloc(mPhysicalLen + (mGrowLen > mLogicalLen ? mGrowLen : mLogicalLen));
    mpArray[mLogicalLen] = copy;
    return mLogicalLen++;
  }
  GcGeArray& appendArray(const GcGeArray& o) {
    const GcGeArray copy = o;
    for (const T& v : copy)
      append(v);
    return *this;
  }
  GcGeArray& insertAt(int i, const T& v) {
    assert(i >= 0 && i <= mLogicalLen && "insert position out of range");
    const T copy = v;
    append(copy);
    std::memmove(static_cast<void*>(mpArray + i + 1), mpArray + i, sizeof(T) * (mLogicalLen - 1 - i));
    mpArray[i] = copy;
    return *this;
  }
  GcGeArray& removeAt(int i) {
    assert(i >= 0 && i < mLogicalLen && "remove position out of range");
    std::memmove(static_cast<void*>(mpArray + i), mpArray + i + 1, sizeof(T) * (mLogicalLen - 1 - i));
    --mLogicalLen;
    return *this;
  }
  GcGeArray& removeLast() { return removeAt(mLogicalLen - 1); }
  GcGeArray& removeAll() { mLogicalLen = 0; return *this; }
  GcGeArray& reverse() {
    for (int i = 0, j = mLogicalLen - 1; i < j; ++i, --j)
      std::swap(mpArray[i], mpArray[j]);
    return *this;
  }
  int find(const T& v, int start = 0) const {
    for (int i = start; i < mLogicalLen; ++i)
      if (mpArray[i] == v)
        return i;
    return -1;
  }
  bool contains(const T& v, int start = 0) const { return find(v, start) >= 0; }

private:
  void reserve(int n) {
    if (n > mPhysicalLen)
      realloc(n);
  }
  void realloc(int n) {
    T* p = n > 0 ? static_cast<T*>(IcGeMemoryController::allocateArray(sizeof(T) * n)) : nullptr;
    if (n > 0 && !p)
      throw std::bad_alloc();
    if (mLogicalLen > 0)
      std::memcpy(static_cast<void*>(p), mpArray, sizeof(T) * mLogicalLen);
    IcGeMemoryController::deallocateArray(mpArray);
    mpArray = p;
    mPhysicalLen = n;
  }

  int mLogicalLen = 0;
  int mPhysicalLen = 0;
  int mGrowLen = 8;
  T* mpArray = nullptr;
};

