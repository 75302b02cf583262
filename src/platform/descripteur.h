#pragma once

#include <unistd.h>

namespace plateforme {

// A file descriptor closed on every exit path; Fermer closes it first when the caller needs to
// know whether the close went well (the last writes of some file systems are told there).
class Descripteur {
public:
    explicit Descripteur(int fd = -1)
        : fd_(fd) {}
    ~Descripteur() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descripteur(const Descripteur&) = delete;
    Descripteur& operator=(const Descripteur&) = delete;
    int get() const { return fd_; }
    int Fermer() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

} // namespace plateforme
