// checked_vector: the game's resizable array. Every index is tested, and a
// bad one is not survivable: the game names the index and the highest valid
// one on the standard error stream and aborts.
#pragma once

#include <type_traits>
#include <utility>

// Writes "Illegal vector index: k max index = length-1" and aborts.
[[noreturn]] void vector_index_failure(int k, int length);

template <class T>
class checked_vector {
public:
    checked_vector() : len(0), items(nullptr) {}

    // New elements hold zero (numbers, characters) or an empty string;
    // truth values start set, since a walkability cell counts as blocked
    // until the map has been read into it.
    explicit checked_vector(int n) : len(n > 0 ? n : 0), items(fresh_array(n)) {}

    checked_vector(const checked_vector& other) : len(other.len), items(fresh_array(other.len)) {
        for (int k = 0; k < len; ++k) items[k] = other.items[k];
    }

    checked_vector& operator=(const checked_vector& other) {
        if (this != &other) {
            checked_vector copy(other);
            std::swap(len, copy.len);
            std::swap(items, copy.items);
        }
        return *this;
    }

    ~checked_vector() { delete[] items; }

    T& operator[](int k) {
        if (k < 0 || k >= len) vector_index_failure(k, len);
        return items[k];
    }

    const T& operator[](int k) const {
        if (k < 0 || k >= len) vector_index_failure(k, len);
        return items[k];
    }

    int length() const { return len; }

    // Always reallocates; keeps the first min(length, n) elements in order.
    // A negative n leaves an empty vector.
    void resize(int n) {
        T* fresh = fresh_array(n);
        const int keep = len < n ? len : n;
        for (int k = 0; k < keep; ++k) fresh[k] = items[k];
        delete[] items;
        items = fresh;
        len = n > 0 ? n : 0;
    }

private:
    static T* fresh_array(int n) {
        if (n <= 0) return nullptr;
        T* array = new T[n]();
        if constexpr (std::is_same_v<T, bool>) {
            for (int k = 0; k < n; ++k) array[k] = true;
        }
        return array;
    }

    int len;
    T* items;
};
