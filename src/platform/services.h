#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

// What the logic needs of the machine and the screen, behind small interfaces: tests answer a
// message box, move a fake clock and count what was started without real waiting.
namespace plateforme {

// Styles and answers of message boxes, with the classic values.
namespace mb {
constexpr int OKOnly = 0;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;
constexpr int OK = 1;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace mb

// Mouse pointer shapes.
namespace pointeur {
constexpr int Defaut = 0;
constexpr int Sablier = 11;
} // namespace pointeur

class Horloge {
public:
    virtual ~Horloge() = default;
    virtual QDateTime Maintenant() = 0;    // local date and time
    virtual qint64 TicMillisecondes() = 0; // monotonic milliseconds (GetTickCount)
};

class BoitesMessage {
public:
    virtual ~BoitesMessage() = default;
    // Shows the box and returns the answer (mb::OK, mb::Yes, mb::No...).
    virtual int Afficher(const QString& texte, int style, const QString& titre) = 0;
    // The same box with a details part, unfolded by its details button (Qt's "Montrer les
    // détails..."); a box that has none shows the text alone.
    virtual int AfficherAvecDetails(const QString& texte, int style, const QString& titre,
                                    const QString& details) {
        (void)details;
        return Afficher(texte, style, titre);
    }
};

class Ecran {
public:
    virtual ~Ecran() = default;
    virtual void DefinirPointeur(int forme) = 0;
    // Lets the window process pending events. With `enAttente` (the polling loops of the waits)
    // it may block up to 10 ms when nothing is pending, so a wait does not burn a core.
    virtual void Ceder(bool enAttente) = 0;
};

// The operating system's version record (GetVersionEx).
struct VersionOs {
    int plateforme = 2;
    int majeure = 6;
    int mineure = 1;
    int build = 7601;
    int servicePackMajeur = 0;
    int servicePackMineur = 0;
};

class Systeme {
public:
    virtual ~Systeme() = default;
    virtual VersionOs Version() = 0;
};

// Processes started from a Windows command line.
class Processus {
public:
    virtual ~Processus() = default;
    // Starts the command line with a window style (0 hidden, 1 normal, 2 minimised, 3 maximised;
    // meaningless here) and returns the process id, 0 when it could not be started.
    virtual qint64 Demarrer(const QString& ligneCommande, int styleFenetre) = 0;
    // OpenProcess: true while the process exists (an ended child is reaped).
    virtual bool Existe(qint64 pid) = 0;
};

// The five services of the machine and the screen, each in force as en_vigueur.h says, taken
// or replaced together.
struct Services {
    Horloge* horloge;
    BoitesMessage* boites;
    Ecran* ecran;
    Systeme* systeme;
    Processus* processus;
};

// The services in force (real ones by default: system clock, no box shown (answers OK),
// non-blocking yield, the version record above, POSIX processes).
Services ServicesCourants();

// Replaces some services for its lifetime (null members keep the current ones).
class RemplacementServices {
public:
    explicit RemplacementServices(const Services& nouveaux);
    ~RemplacementServices();
    RemplacementServices(const RemplacementServices&) = delete;
    RemplacementServices& operator=(const RemplacementServices&) = delete;

private:
    struct Remplacements;
    std::unique_ptr<Remplacements> remplacements_;
};

// Shorthands over the services in force.
QDateTime Maintenant();
int MsgBox(const QString& texte, int style, const QString& titre);
int MsgBoxDetails(const QString& texte, int style, const QString& titre, const QString& details);
void DefinirPointeur(int forme);
void DoEvents();        // one yield
void DoEventsAttente(); // one yield of a polling loop

} // namespace plateforme
