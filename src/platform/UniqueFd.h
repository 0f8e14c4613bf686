#pragma once

#include <unistd.h>

#include <utility>

namespace lorvena {

// Owns one file descriptor (a socket, mostly) and closes it exactly once.
class UniqueFd {
public:
    static constexpr int invalid = -1;

    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ != invalid; }
    explicit operator bool() const { return valid(); }

    int release() { return std::exchange(fd_, invalid); }
    void reset(int fd = invalid)
    {
        if (fd_ != invalid)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = invalid;
};

} // namespace lorvena
