#pragma once
// The content of the accounting tables as sorted text, to show that an operation that was
// refused, rolled back or undone left every row as it was.

#include "frame/currency.h"
#include "frame/database.h"

#include <QStringList>
#include <map>

namespace tesel::posting::prova {

// Every table posting writes to, with the columns that may legitimately differ afterwards.
struct TabellaFotografata {
    const char* nome;
    QStringList colonneIgnorate{};
};

inline const std::vector<TabellaFotografata>& tabelleContabili() {
    static const std::vector<TabellaFotografata> t{
        {"MovPnTes"},
        {"MovPnDett"},
        {"MovPnIva"},
        {"MovPnTesFatt"},
        {"MovPnDettFatt"},
        {"MovPnIvaFatt"},
        {"MovPnTesFitt"},
        {"MovPnDettFitt"},
        {"MovPnIvaFitt"},
        {"Scadenze"},
        {"LockGest"},
        // A register row created by the first protocol of its year stays, and so does the
        // date of its last document: only the counters come back.
        {"LibriIva", {QStringLiteral("dataultdoc"), QStringLiteral("dataultdocnc")}},
        // An account's running totals stay as a row; its date of last update moves on.
        {"PdcProg", {QStringLiteral("ultagg")}},
    };
    return t;
}

// "col=value|col=value..." per row, sorted; zero amounts of PdcProg rows are dropped so that
// a row created by posting and emptied by un-posting reads as no row.
inline std::map<QString, QStringList> fotografia(Database& db) {
    std::map<QString, QStringList> f;
    for (const auto& t : tabelleContabili()) {
        QStringList righe;
        Recordset rs = db.ApriRs(QStringLiteral("Select * from ") + QLatin1String(t.nome));
        const bool progressivi = QLatin1String(t.nome) == u"PdcProg";
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            QStringList campi;
            bool tuttoZero = true;
            for (const QString& campo : rs.campi()) {
                const QString nome = campo.toLower();
                if (t.colonneIgnorate.contains(nome))
                    continue;
                const QVariant v = rs.LeggiCampo(campo);
                QString testo = v.isNull() ? QStringLiteral("<null>") : v.toString();
                if (progressivi &&
                    (nome == u"saldoiniziale" || nome == u"progrdare" || nome == u"progravere")) {
                    const Currency c = Currency::daVariant(v).value_or(Currency());
                    tuttoZero = tuttoZero && c.zero();
                    testo = c.testoXml();
                }
                campi << nome + u'=' + testo;
            }
            if (progressivi && tuttoZero)
                continue;
            righe << campi.join(u'|');
        }
        righe.sort();
        f[QLatin1String(t.nome)] = righe;
    }
    return f;
}

// The tables whose rows differ, with the rows only one side has.
inline QString differenze(const std::map<QString, QStringList>& prima,
                          const std::map<QString, QStringList>& dopo) {
    QString d;
    for (const auto& [tabella, righe] : prima) {
        const QStringList& altre = dopo.at(tabella);
        if (righe == altre)
            continue;
        d += tabella + QStringLiteral(":\n");
        for (const QString& r : righe)
            if (!altre.contains(r))
                d += QStringLiteral("  - ") + r + u'\n';
        for (const QString& r : altre)
            if (!righe.contains(r))
                d += QStringLiteral("  + ") + r + u'\n';
    }
    return d;
}

} // namespace tesel::posting::prova
