#include "support/apstring"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "support/game_streams.h"

// A null text is a programming error the game must never survive quietly,
// whatever the build type: keep the assertion even where NDEBUG is set.
#undef NDEBUG
#include <cassert>

apstring::apstring() : len(0), cap(1), buffer(new char[1]) { buffer[0] = '\0'; }

apstring::apstring(const char* s) {
    assert(s != 0);
    len = static_cast<int>(std::strlen(s));
    cap = len + 1;
    buffer = new char[cap];
    std::memcpy(buffer, s, cap);
}

apstring::apstring(const apstring& other)
    : len(other.len), cap(other.len + 1), buffer(new char[other.len + 1]) {
    std::memcpy(buffer, other.buffer, cap);
}

apstring::~apstring() { delete[] buffer; }

void apstring::assign_bytes(const char* bytes, int count) {
    if (bytes == buffer) return;  // assigning a string to itself
    if (cap < count + 1) {
        char* fresh = new char[count + 1];
        std::memcpy(fresh, bytes, count);
        delete[] buffer;
        buffer = fresh;
        cap = count + 1;
    } else {
        // The source may lie inside our own buffer (a tail of ourselves).
        std::memmove(buffer, bytes, count);
    }
    buffer[count] = '\0';
    len = count;
}

apstring& apstring::operator=(const apstring& other) {
    assign_bytes(other.buffer, other.len);
    return *this;
}

apstring& apstring::operator=(const char* s) {
    assert(s != 0);
    assign_bytes(s, static_cast<int>(std::strlen(s)));
    return *this;
}

apstring& apstring::operator=(char ch) {
    if (cap < 2) {
        delete[] buffer;
        buffer = new char[2];
        cap = 2;
    }
    buffer[0] = ch;
    buffer[1] = '\0';
    len = 1;
    return *this;
}

void apstring::index_failure(int k) const {
    standard_error() << "index out of range: " << k << " string: " << buffer << '\n' << std::flush;
    std::exit(1);
}

char& apstring::operator[](int k) {
    if (k < 0 || k >= len) index_failure(k);
    return buffer[k];
}

const char& apstring::operator[](int k) const {
    if (k < 0 || k >= len) index_failure(k);
    return buffer[k];
}

void apstring::append_bytes(const char* bytes, int count) {
    const long long new_length = static_cast<long long>(len) + count;
    if (new_length >= cap) {
        // One character at a time is how lines are read: double the room
        // so a long line costs only a logarithmic number of reallocations.
        long long new_capacity = new_length + 1;
        if (count == 1) new_capacity *= 2;
        if (new_capacity > INT_MAX) new_capacity = new_length + 1;
        if (new_capacity > INT_MAX) throw std::bad_alloc();
        char* fresh = new char[new_capacity];
        std::memcpy(fresh, buffer, len);
        // The bytes may be our own (s += s): copy them before the old
        // buffer goes.
        std::memcpy(fresh + len, bytes, count);
        delete[] buffer;
        buffer = fresh;
        cap = static_cast<int>(new_capacity);
    } else {
        std::memmove(buffer + len, bytes, count);
    }
    len = static_cast<int>(new_length);
    buffer[len] = '\0';
}

apstring& apstring::operator+=(const apstring& other) {
    append_bytes(other.buffer, other.len);
    return *this;
}

// The same as appending a one-character string, without making one: this is
// the inner step of every line read.
apstring& apstring::operator+=(char ch) {
    append_bytes(&ch, 1);
    return *this;
}

bool operator==(const apstring& a, const apstring& b) {
    return std::strcmp(a.c_str(), b.c_str()) == 0;
}

bool operator!=(const apstring& a, const apstring& b) { return !(a == b); }

std::ostream& operator<<(std::ostream& out, const apstring& s) {
    return out.write(s.c_str(), static_cast<std::streamsize>(std::strlen(s.c_str())));
}

std::istream& getline(std::istream& in, apstring& s) {
    s = "";
    // One unformatted character at a time, straight from the stream's
    // buffer: no whitespace is skipped and no byte but the line end is
    // special.
    const std::istream::sentry ready(in, true);
    if (!ready) return in;
    std::streambuf& bytes = *in.rdbuf();
    using traits = std::istream::traits_type;
    for (;;) {
        const traits::int_type c = bytes.sbumpc();
        if (traits::eq_int_type(c, traits::eof())) {
            in.setstate(std::ios::eofbit | std::ios::failbit);
            break;
        }
        const char ch = traits::to_char_type(c);
        if (ch == '\n') break;
        if (ch == '\r' && traits::eq_int_type(bytes.sgetc(), traits::to_int_type('\n'))) {
            bytes.sbumpc();
            break;
        }
        s += ch;
    }
    return in;
}
