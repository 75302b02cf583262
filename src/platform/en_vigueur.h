#pragma once

namespace plateforme {

// The one way the logic reaches what a test replaces (the clock, the message boxes, the screen,
// the processes, the window lists, the power, the desktop): the implementation of a service in
// force, `Defaut` (the system's own) until a test puts another in its place with a Remplacement.
template <class Service, class Defaut> Service*& EnVigueur() {
    static Defaut defaut;
    static Service* service = &defaut;
    return service;
}

// The same when the system's own is reached through a function that other code calls directly.
template <class Service, Service& (*Defaut)()> Service*& EnVigueur() {
    static Service* service = &Defaut();
    return service;
}

// Puts `nouveau` in force for its own lifetime, then the previous implementation back.
template <class Service> class Remplacement {
public:
    Remplacement(Service*& enVigueur, Service& nouveau)
        : enVigueur_(enVigueur)
        , ancien_(enVigueur) {
        enVigueur_ = &nouveau;
    }
    ~Remplacement() { enVigueur_ = ancien_; }
    Remplacement(const Remplacement&) = delete;
    Remplacement& operator=(const Remplacement&) = delete;

private:
    Service*& enVigueur_;
    Service* ancien_;
};

} // namespace plateforme
