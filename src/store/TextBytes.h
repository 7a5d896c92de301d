#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

// A growing run of bytes kept with malloc and realloc rather than in a std::string: a large buffer
// then grows and shrinks in place (the system moves pages rather than bytes), so that giving back
// unused room after a load neither copies the texts nor doubles the memory for a moment.
class TextBytes
{
public:
    TextBytes() = default;
    ~TextBytes() { std::free(m_data); }
    TextBytes(const TextBytes& other) { *this = other; }
    TextBytes& operator=(const TextBytes& other)
    {
        if (this != &other) {
            m_size = 0;
            reserve(other.m_size);
            append(other.data(), other.m_size);
        }
        return *this;
    }
    TextBytes(TextBytes&& other) noexcept { swap(other); }
    TextBytes& operator=(TextBytes&& other) noexcept
    {
        TextBytes gone(std::move(*this));
        swap(other);
        return *this;
    }

    const char* data() const { return m_data ? m_data : ""; }
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }

    void append(const char* bytes, size_t count)
    {
        if (count == 0)
            return;
        if (m_size + count > m_capacity)
            resize(std::max(m_size + count, m_capacity * 2));
        std::memcpy(m_data + m_size, bytes, count);
        m_size += count;
    }
    void reserve(size_t capacity)
    {
        if (capacity > m_capacity)
            resize(capacity);
    }
    void shrinkToFit()
    {
        if (m_capacity > m_size)
            resize(m_size);
    }
    void clear() { m_size = 0; }
    void swap(TextBytes& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    void resize(size_t capacity)
    {
        if (capacity == 0) {
            std::free(m_data);
            m_data = nullptr;
            m_capacity = 0;
            return;
        }
        auto* grown = static_cast<char*>(std::realloc(m_data, capacity));
        if (!grown)
            throw std::bad_alloc();
        m_data = grown;
        m_capacity = capacity;
    }

    char* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
