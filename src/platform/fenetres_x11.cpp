// The top-level window titles of the X display.
#include "platform/processus.h"

#include <QByteArray>

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace plateforme {

namespace {

struct LibererXcb {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using ReponseXcb = std::unique_ptr<T, LibererXcb>;

struct DeconnecterXcb {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

// Replies of requests sent ahead, so that the round trips overlap.
struct Demandes {
    xcb_get_property_cookie_t nomNet;
    xcb_get_property_cookie_t nom;
    xcb_query_tree_cookie_t enfants;
};

class LecteurTitres {
public:
    explicit LecteurTitres(xcb_connection_t* c)
        : c_(c)
        , nomNet_(atome("_NET_WM_NAME"))
        , utf8_(atome("UTF8_STRING")) {}

    Demandes Demander(xcb_window_t fenetre, bool avecEnfants) {
        Demandes d{};
        d.nomNet = nomNet_ == XCB_ATOM_NONE
                       ? xcb_get_property_cookie_t{}
                       : xcb_get_property(c_, 0, fenetre, nomNet_, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                          LongueurMax);
        d.nom = xcb_get_property(c_, 0, fenetre, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                 LongueurMax);
        d.enfants = avecEnfants ? xcb_query_tree(c_, fenetre) : xcb_query_tree_cookie_t{};
        return d;
    }

    // _NET_WM_NAME (UTF-8) when set, else WM_NAME.
    QString Titre(const Demandes& d) {
        QString titre = nomNet_ == XCB_ATOM_NONE ? QString() : texte(d.nomNet);
        const QString ancien = texte(d.nom);
        return titre.isEmpty() ? ancien : titre;
    }

    QList<xcb_window_t> Enfants(xcb_query_tree_cookie_t cookie) {
        xcb_generic_error_t* erreur = nullptr;
        ReponseXcb<xcb_query_tree_reply_t> arbre(xcb_query_tree_reply(c_, cookie, &erreur));
        std::free(erreur);
        QList<xcb_window_t> enfants;
        if (arbre) {
            const xcb_window_t* f = xcb_query_tree_children(arbre.get());
            const int n = xcb_query_tree_children_length(arbre.get());
            enfants.reserve(n);
            for (int i = 0; i < n; ++i) {
                enfants.append(f[i]);
            }
        }
        return enfants;
    }

private:
    static constexpr uint32_t LongueurMax = 1024; // in 32-bit units

    xcb_atom_t atome(const char* nom) {
        xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(c_, 1, static_cast<uint16_t>(qstrlen(nom)), nom);
        xcb_generic_error_t* erreur = nullptr;
        ReponseXcb<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c_, cookie, &erreur));
        std::free(erreur);
        return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    QString texte(xcb_get_property_cookie_t cookie) {
        xcb_generic_error_t* erreur = nullptr;
        ReponseXcb<xcb_get_property_reply_t> r(xcb_get_property_reply(c_, cookie, &erreur));
        std::free(erreur);
        if (!r || r->format != 8) {
            return {};
        }
        const int longueur = xcb_get_property_value_length(r.get());
        const char* valeur = static_cast<const char*>(xcb_get_property_value(r.get()));
        QByteArray octets(valeur, longueur);
        const qsizetype nul = octets.indexOf('\0');
        if (nul >= 0) {
            octets.truncate(nul);
        }
        return r->type == utf8_ ? QString::fromUtf8(octets) : QString::fromLatin1(octets);
    }

    xcb_connection_t* c_;
    xcb_atom_t nomNet_;
    xcb_atom_t utf8_;
};

xcb_window_t racine(xcb_connection_t* c, int numeroEcran) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (i == numeroEcran) {
            return it.data->root;
        }
    }
    return XCB_WINDOW_NONE;
}

} // namespace

bool TitresFenetres(QStringList& titres) {
    titres.clear();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return false;
    }
    int numeroEcran = 0;
    std::unique_ptr<xcb_connection_t, DeconnecterXcb> c(xcb_connect(nullptr, &numeroEcran));
    if (!c || xcb_connection_has_error(c.get()) != 0) {
        return false;
    }
    const xcb_window_t r = racine(c.get(), numeroEcran);
    if (r == XCB_WINDOW_NONE) {
        return false;
    }
    LecteurTitres lecteur(c.get());
    const QList<xcb_window_t> premiers = lecteur.Enfants(xcb_query_tree(c.get(), r));

    // Without a window manager the clients are children of the root; a reparenting manager puts
    // each inside a frame, hence one level further down. Hidden and minimised windows count: a
    // minimised application is still running.
    QList<Demandes> demandes;
    demandes.reserve(premiers.size());
    for (xcb_window_t f : premiers) {
        demandes.append(lecteur.Demander(f, true));
    }
    QList<Demandes> demandesEnfants;
    for (const Demandes& d : std::as_const(demandes)) {
        const QString titre = lecteur.Titre(d);
        if (!titre.isEmpty()) {
            titres.append(titre);
        }
        for (xcb_window_t enfant : lecteur.Enfants(d.enfants)) {
            demandesEnfants.append(lecteur.Demander(enfant, false));
        }
    }
    for (const Demandes& d : std::as_const(demandesEnfants)) {
        const QString titre = lecteur.Titre(d);
        if (!titre.isEmpty()) {
            titres.append(titre);
        }
    }
    return true;
}

} // namespace plateforme
