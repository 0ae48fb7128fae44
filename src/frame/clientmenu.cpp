#include "frame/clientmenu.h"

namespace tesel {

QString ClientMenuFisso::parametroMenu(const QString& chiave) {
    const auto it = valori_.constFind(chiave.toLower());
    if (it != valori_.constEnd())
        return *it;
    return chiave.startsWith(QStringLiteral("Personal."), Qt::CaseInsensitive) ? NessunValorePersonale
                                                                               : QString();
}

QString ClientMenuFisso::parametroProcedura(const QString& chiave, const QString&) {
    const auto it = valori_.constFind(chiave.toLower());
    return it != valori_.constEnd() ? *it : QString();
}

} // namespace tesel
