#include "platform/chemins.h"
#include "platform/services.h"
#include "testutil/factices.h"
#include "tools/vod_outils.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// Sets an environment variable for the object's lifetime (unset with a null value).
class Variable {
public:
    Variable(const char* nom, const QByteArray& valeur)
        : nom_(nom)
        , ancienne_(qEnvironmentVariableIsSet(nom) ? std::optional(qgetenv(nom)) : std::nullopt) {
        valeur.isNull() ? qunsetenv(nom) : qputenv(nom, valeur);
    }
    ~Variable() { ancienne_ ? qputenv(nom_, *ancienne_) : qunsetenv(nom_); }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;

private:
    const char* nom_;
    std::optional<QByteArray> ancienne_;
};

void Ecrire(const QString& natif, const QByteArray& contenu) {
    QDir().mkpath(QFileInfo(natif).absolutePath());
    QFile f(natif);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(contenu);
}

class SystemeFactice final : public plateforme::Systeme {
public:
    plateforme::VersionOs Version() override { return version; }
    plateforme::VersionOs version;
};

bool DeuxDecimales(double x) {
    return std::fabs(x * 100 - std::round(x * 100)) < 1e-6;
}

} // namespace

TEST(CalculerEspaceLibre, LecteurPresentOuAbsent) {
    factices::Machine machine;
    VOD_Outils o;
    double kl = -1, ml = -1, gl = -1, kt = -1, mt = -1, gt = -1;
    ASSERT_TRUE(o.CalculerEspaceLibre("C", kl, ml, gl, kt, mt, gt));
    struct statvfs s {};
    ASSERT_EQ(::statvfs(QFile::encodeName(machine.Natif("C:\\")).constData(), &s), 0);
    EXPECT_EQ(kt, std::round(static_cast<double>(s.f_blocks) * s.f_frsize / 1024.0));
    EXPECT_GT(kt, 0);
    EXPECT_GE(kl, 0);
    EXPECT_LE(kl, kt);
    EXPECT_EQ(kl, std::round(kl));
    EXPECT_NEAR(ml, kl / 1024, 0.005 + 1e-9);
    EXPECT_NEAR(mt, kt / 1024, 0.005 + 1e-9);
    EXPECT_NEAR(gt, mt / 1024, 0.005 + 1e-9);
    EXPECT_TRUE(DeuxDecimales(ml) && DeuxDecimales(mt) && DeuxDecimales(gl) && DeuxDecimales(gt));
    // Only the first character counts; a mapped drive answers for its share.
    QDir().mkpath(machine.Racine() + "/unc/serveur/zelvano");
    ASSERT_EQ(::symlink(QFile::encodeName(machine.Racine() + "/unc/serveur/zelvano").constData(),
                        QFile::encodeName(plateforme::Machine::EntreeLecteur('P')).constData()),
              0);
    double k2 = -1, m2, g2, k2t = -1, m2t, g2t;
    EXPECT_TRUE(o.CalculerEspaceLibre("p:\\zelvano", k2, m2, g2, k2t, m2t, g2t));
    EXPECT_EQ(k2t, kt);
    // No such drive: false, the outputs untouched.
    double a = -1, b = -1, c = -1, d = -1, e = -1, f = -1;
    EXPECT_FALSE(o.CalculerEspaceLibre("Q", a, b, c, d, e, f));
    EXPECT_FALSE(o.CalculerEspaceLibre("", a, b, c, d, e, f));
    EXPECT_EQ(a + b + c + d + e + f, -6);
}

TEST(Dossiers, WindowsSystemeTemporaireDocuments) {
    factices::Machine machine;
    VOD_Outils o;
    EXPECT_EQ(o.DossierWindows(), "C:\\WINDOWS");
    EXPECT_EQ(o.DossierWindowsSystem(), "C:\\WINDOWS\\SYSTEM32");
    const QString temp = o.DossierWindowsTemp();
    EXPECT_TRUE(temp.endsWith('\\'));
    EXPECT_TRUE(QFileInfo(machine.Natif(temp)).isDir());
    const QString documents = o.DossierMesDocuments();
    EXPECT_TRUE(documents.startsWith("C:\\"));
    EXPECT_TRUE(QFileInfo(machine.Natif(documents)).isDir());
}

TEST(SousWindowsNT, FamilleDeLaVersion) {
    SystemeFactice systeme;
    plateforme::RemplacementServices services({nullptr, nullptr, nullptr, &systeme, nullptr});
    VOD_Outils o;
    EXPECT_TRUE(o.SousWindowsNT());
    for (int famille : {0, 1, 3}) {
        systeme.version.plateforme = famille;
        EXPECT_FALSE(o.SousWindowsNT()) << famille;
    }
}

TEST(ProgrammeAssocie, AssociationsDuBureau) {
    factices::Machine machine;
    QTemporaryDir bureau;
    const QString d = bureau.path();
    Variable donnees("XDG_DATA_HOME", QFile::encodeName(d + "/donnees"));
    Variable config("XDG_CONFIG_HOME", QFile::encodeName(d + "/config"));
    Variable configs("XDG_CONFIG_DIRS", QFile::encodeName(d + "/config-systeme"));
    Variable systeme("XDG_DATA_DIRS", QFile::encodeName(d + "/systeme") + ":/usr/share");
    Variable courant("XDG_CURRENT_DESKTOP", QByteArray());
    const QString applis = d + "/donnees/applications/";
    Ecrire(applis + "mimeapps.list", "[Added Associations]\n"
                                     "application/pdf=editeur.desktop;\n"
                                     "[Default Applications]\n"
                                     "text/plain=absent.desktop;cache.desktop;editeur.desktop;\n"
                                     "application/pdf=lecteur.desktop\n");
    Ecrire(applis + "editeur.desktop", "[Desktop Entry]\nName=Éditeur\nType=Application\n"
                                       "Exec=\"/bin/s\\h\" -c 'ouvrir \"$1\"' %f\n");
    Ecrire(applis + "lecteur.desktop", "[Desktop Entry]\nName=Lecteur\nExec=true %U\n");
    Ecrire(applis + "cache.desktop", "[Desktop Entry]\nExec=true %U\nHidden=true\n");
    machine.EcrireFichier("C:\\courrier\\lettre.txt", "Bonjour");
    machine.EcrireFichier("C:\\courrier\\cro.pdf", "%PDF-1.4\n");
    machine.EcrireFichier("C:\\courrier\\photo.png", "\x89PNG\r\n\x1a\n");
    VOD_Outils o;
    EXPECT_EQ(o.ProgrammeAssocie("  C:\\courrier\\lettre.txt "), "/bin/sh");
    const QString vrai = QStandardPaths::findExecutable("true");
    ASSERT_FALSE(vrai.isEmpty());
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\cro.pdf"), vrai);
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\photo.png"), "");
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\absente.txt"), "");
    // The user's own choices come first.
    Ecrire(d + "/config/mimeapps.list", "[Default Applications]\ntext/plain=lecteur.desktop;\n");
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\lettre.txt"), vrai);
    // An application whose program is not installed associates nothing.
    Ecrire(applis + "lecteur.desktop", "[Desktop Entry]\nExec=programme-jamais-installe %U\n");
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\lettre.txt"), "/bin/sh");
    EXPECT_EQ(o.ProgrammeAssocie("C:\\courrier\\cro.pdf"), "");
}
