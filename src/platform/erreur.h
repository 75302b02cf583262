#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace plateforme {

// A run-time error as the rest of the module knows them: a classic number and a French text.
// Every routine that "raises an error" throws one; handlers catch it and write its number and
// text in their journal lines.
class Erreur : public std::exception {
public:
    Erreur(int numero, QString texte);

    int Number() const { return numero_; }
    const QString& Description() const { return texte_; }
    // "text (number)", as the journal lines give an error.
    QString DescriptionEtNumero() const {
        return texte_ + QStringLiteral(" (") + QString::number(numero_) + QLatin1Char(')');
    }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    int numero_;
    QString texte_;
    QByteArray utf8_;
};

// Classic run-time error numbers tested by the callers.
namespace err {
constexpr int DepassementCapacite = 6;  // "Dépassement de capacité"
constexpr int IncompatibiliteType = 13; // "Incompatibilité de type"
constexpr int NomFichierIncorrect = 52; // "Nom ou numéro de fichier incorrect"
constexpr int FichierIntrouvable = 53;  // "Fichier introuvable"
constexpr int FichierDejaOuvert = 55;   // "Fichier déjà ouvert"
constexpr int FichierExisteDeja = 58;   // "Fichier déjà existant"
constexpr int DisquePlein = 61;         // "Disque plein"
constexpr int TropDeFichiers = 67;      // "Trop de fichiers"
constexpr int PermissionRefusee = 70;   // "Permission refusée"
constexpr int ErreurAccesChemin = 75;   // "Erreur d'accès chemin/fichier"
constexpr int CheminIntrouvable = 76;   // "Chemin d'accès introuvable"
constexpr int ArgumentIncorrect = 5;    // "Appel de procédure ou argument incorrect"
constexpr int ErreurEntreeSortie = 57;  // "Erreur d'entrée/sortie de périphérique"
} // namespace err

// French text of a classic number ("Erreur définie par l'application ou par l'objet" when unknown).
QString TexteErreur(int numero);

// The error for a failed system call on `chemin` (errno mapped to the classic numbers).
Erreur ErreurSysteme(int errnoValeur, const QString& chemin = {});

[[noreturn]] void Lever(int numero);
[[noreturn]] void Lever(int numero, const QString& texte);

} // namespace plateforme
