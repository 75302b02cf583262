#include "platform/erreur.h"
#include "testutil/factices.h"

#include <QDir>

#include <cerrno>

#include <gtest/gtest.h>

namespace {

using plateforme::ErreurSysteme;
namespace err = plateforme::err;

TEST(Erreurs, NumerosEtTextesDesAppelsSysteme) {
    factices::Machine machine;
    ASSERT_TRUE(QDir().mkpath(machine.Racine() + QStringLiteral("/drives/C/dossier")));

    // A missing file in an existing folder is "file not found"; in a missing folder, "path not
    // found", whether the path is given natively or in Windows form.
    const plateforme::Erreur introuvable =
        ErreurSysteme(ENOENT, machine.Natif(QStringLiteral("C:\\dossier\\absent.txt")));
    EXPECT_EQ(introuvable.Number(), err::FichierIntrouvable);
    EXPECT_EQ(introuvable.Description(), QStringLiteral("Fichier introuvable"));
    EXPECT_EQ(ErreurSysteme(ENOENT, machine.Natif(QStringLiteral("C:\\absent\\x.txt"))).Number(),
              err::CheminIntrouvable);
    EXPECT_EQ(ErreurSysteme(ENOENT, QStringLiteral("C:\\absent\\x.txt")).Number(),
              err::CheminIntrouvable);
    EXPECT_EQ(ErreurSysteme(ENOENT, QStringLiteral("C:\\dossier\\x.txt")).Number(),
              err::FichierIntrouvable);
    EXPECT_EQ(ErreurSysteme(ENOENT).Number(), err::FichierIntrouvable);

    const plateforme::Erreur refus = ErreurSysteme(EACCES);
    EXPECT_EQ(refus.Number(), err::PermissionRefusee);
    EXPECT_EQ(refus.Description(), QStringLiteral("Permission refusée"));
    EXPECT_STREQ(refus.what(), "Permission refusée");
    EXPECT_EQ(ErreurSysteme(EROFS).Number(), err::PermissionRefusee);
    EXPECT_EQ(ErreurSysteme(ENOSPC).Description(), QStringLiteral("Disque plein"));
    EXPECT_EQ(ErreurSysteme(ENOTDIR).Description(), QStringLiteral("Chemin d'accès introuvable"));
    EXPECT_EQ(ErreurSysteme(ENAMETOOLONG).Number(), err::NomFichierIncorrect);
    EXPECT_EQ(ErreurSysteme(EIO).Number(), err::ErreurEntreeSortie);
}

TEST(Erreurs, LeverPorteNumeroEtTexte) {
    try {
        plateforme::Lever(err::ErreurAccesChemin);
        FAIL() << "no error raised";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), 75);
        EXPECT_EQ(e.Description(), QStringLiteral("Erreur d'accès chemin/fichier"));
    }
    try {
        plateforme::Lever(3078, QStringLiteral("Table introuvable"));
        FAIL() << "no error raised";
    } catch (const plateforme::Erreur& e) {
        EXPECT_EQ(e.Number(), 3078);
        EXPECT_EQ(e.Description(), QStringLiteral("Table introuvable"));
    }
    EXPECT_EQ(plateforme::TexteErreur(9999),
              QStringLiteral("Erreur définie par l'application ou par l'objet"));
    EXPECT_EQ(plateforme::TexteErreur(52), QStringLiteral("Nom ou numéro de fichier incorrect"));
}

} // namespace
