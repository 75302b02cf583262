#pragma once

// Conditions a test sets for a while and gives back: the error a call raises, the local time
// zone, a disk that fills up.

#include "platform/erreur.h"

#include <QByteArray>

#include <functional>

#include <csignal>

#include <sys/resource.h>

namespace essais {

// The error raised by `f` (number 0, "aucune erreur", when it raised none).
plateforme::Erreur ErreurDe(const std::function<void()>& f);

// The local time zone (a TZ rule), the previous one given back at the end.
class Fuseau {
public:
    explicit Fuseau(const char* tz);
    ~Fuseau();
    Fuseau(const Fuseau&) = delete;
    Fuseau& operator=(const Fuseau&) = delete;

private:
    bool avait_;
    QByteArray ancien_;
};

// Files of this process may grow to `octets` at most: writes past it fail the way they do on a
// full disk (SIGXFSZ ignored, ENOSPC-like errors). The previous limit is given back at the end.
class DisquePleinSimule {
public:
    explicit DisquePleinSimule(rlim_t octets);
    ~DisquePleinSimule();
    DisquePleinSimule(const DisquePleinSimule&) = delete;
    DisquePleinSimule& operator=(const DisquePleinSimule&) = delete;

    bool Pose() const { return pose_; }

private:
    struct rlimit avant_ {};
    void (*ancienSignal_)(int) = SIG_DFL;
    bool lue_ = false; // the previous limit is known, so it is given back
    bool pose_ = false;
};

} // namespace essais
