#include "testutil/qorbis32_factice.h"

namespace {

class Qorbis32Factice final : public BibliothequeQorbis32 {
public:
    qint32 VersionNumber() override {
        return version != 0 ? version : BibliothequeQorbis32::VersionNumber();
    }
    qint32 ListeFenetres(QString& tampon, qint32 taille, qint32 drapeau1,
                         qint32 drapeau2) override {
        return source ? source(tampon, taille, drapeau1, drapeau2)
                      : BibliothequeQorbis32::ListeFenetres(tampon, taille, drapeau1, drapeau2);
    }

    qint32 version = 0;
    ListeFenetresQorbis32 source;
};

Qorbis32Factice& Factice() {
    static Qorbis32Factice factice;
    static const RemplacementQorbis32 installation(factice);
    return factice;
}

} // namespace

void DefinirVersionQorbis32ForTests(qint32 version) {
    Factice().version = version;
}

void DefinirListeFenetresQorbis32ForTests(ListeFenetresQorbis32 source) {
    Factice().source = std::move(source);
}
