#include "frame/parametri.h"

#include "frame/database.h"

namespace tesel {

QString ParametriAzienda::leggi(const QString& nome, const QString& predefinito) {
    const QString chiave = nome.toLower();
    auto it = letti_.constFind(chiave);
    if (it == letti_.constEnd()) {
        // Names compare without regard to case, as the suite's programs write them both ways.
        const QVariant v =
            db_.valore(QStringLiteral("SELECT Valore FROM ParametriAzienda WHERE lower(Nome) = ") +
                       SqlValore(chiave, SqlTesto));
        it = letti_.insert(chiave, v.isNull() ? QString() : v.toString());
    }
    return it->trimmed().isEmpty() ? predefinito : *it;
}

bool ParametriAzienda::vale(const QString& nome, QStringView lettera, const QString& predefinito) {
    return leggi(nome, predefinito).trimmed().compare(lettera, Qt::CaseInsensitive) == 0;
}

void ParametriAzienda::scrivi(const QString& nome, const QString& valore) {
    Transazione tr(db_);
    db_.EseguiSql(QStringLiteral("DELETE FROM ParametriAzienda WHERE lower(Nome) = ") +
                  SqlValore(nome.toLower(), SqlTesto));
    db_.EseguiSql(QStringLiteral("INSERT INTO ParametriAzienda (Nome, Valore) VALUES (%1, %2)")
                      .arg(SqlValore(nome, SqlTesto), SqlValore(valore, SqlTesto)));
    tr.conferma();
    letti_.insert(nome.toLower(), valore);
}

QString ClientMenuComune::parametroMenu(const QString& chiave) {
    if (chiave.startsWith(QStringLiteral("Personal."), Qt::CaseInsensitive)) {
        const QVariant v =
            db_.valore(QStringLiteral("SELECT Valore FROM MenuPersonali WHERE lower(Utente) = ") +
                       SqlValore(utente_.toLower(), SqlTesto) + QStringLiteral(" AND lower(Nome) = ") +
                       SqlValore(chiave.toLower(), SqlTesto));
        return v.isValid() ? v.toString() : NessunValorePersonale;
    }
    const QVariant v = db_.valore(QStringLiteral("SELECT Valore FROM MenuParametri WHERE lower(Nome) = ") +
                                  SqlValore(chiave.toLower(), SqlTesto));
    return v.isNull() ? QString() : v.toString();
}

QString ClientMenuComune::parametroProcedura(const QString& chiave, const QString& ambito) {
    return parametroMenu(ambito + u'.' + chiave);
}

} // namespace tesel
