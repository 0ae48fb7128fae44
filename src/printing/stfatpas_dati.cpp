// What the received-invoice print reads and works out before it draws: the selection, the
// numbers as the XML wrote them, the automatic PDF names.

#include "frame/codiceconto.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "printing/stfatpas.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

namespace tesel::stampa {

namespace {

QStringList condizioni(const SelezioneStampa& s) {
    QStringList c = store::condizioniSelezione(s);
    if (s.soloNonStampate)
        c << QStringLiteral("(FatXmlTest.Stampato <> 'S' Or FatXmlTest.Stampato Is Null)");
    return c;
}

QString ordinePer(OrdineStampa o) {
    switch (o) {
    case OrdineStampa::PartitaIva:
        return QStringLiteral("FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice, ");
    case OrdineStampa::RagioneSociale:
        // The person's surname and name stand for a missing company name.
        return QStringLiteral("CASE WHEN FatXmlTest.CP_DA_Anagrafica_Denominazione IS NULL OR "
                              "FatXmlTest.CP_DA_Anagrafica_Denominazione = '' THEN "
                              "COALESCE(FatXmlTest.CP_DA_Anagrafica_Cognome, '') || "
                              "COALESCE(FatXmlTest.CP_DA_Anagrafica_Nome, '') "
                              "ELSE FatXmlTest.CP_DA_Anagrafica_Denominazione END, ");
    case OrdineStampa::NumeroRiferimento:
        break;
    }
    return {};
}

} // namespace

QString controllaOrdine(const SelezioneStampa& s) {
    const auto errore = store::controllaOrdine(s);
    return errore ? errore->messaggio : QString();
}

QString PrepSql(const OrigineStampa& o, OrdineStampa ordine) {
    QString sql;
    if (o.unaFattura) {
        sql = QStringLiteral("SELECT FatXmlTest.* FROM FatXmlTest Where FatXmlTest.XmlAnno = ") +
              SqlValore(o.unaFattura->anno, SqlIntero) + QStringLiteral(" And FatXmlTest.XmlNumRif = ") +
              SqlValore(o.unaFattura->numero, SqlLungo);
    } else if (o.daDocDaElab) {
        sql = QStringLiteral("SELECT FatXmlTest.* FROM (DocDaElab inner join FatXmlTest"
                             " on DocDaElab.Anno = FatXmlTest.XmlAnno"
                             " and DocDaElab.NumReg = FatXmlTest.XmlNumRif)"
                             " Where DocDaElab.Utente = ") +
              SqlValore(o.utente, SqlTesto) + QStringLiteral(" And DocDaElab.Programma = ") +
              SqlValore(o.programma, SqlTesto);
    } else {
        sql = QStringLiteral("SELECT FatXmlTest.* FROM FatXmlTest");
        const QStringList c = condizioni(o.selezione);
        if (!c.isEmpty())
            sql += QStringLiteral(" Where ") + c.join(QStringLiteral(" and "));
    }
    return sql + QStringLiteral(" ORDER BY ") + ordinePer(ordine) +
           QStringLiteral("FatXmlTest.XmlAnno, FatXmlTest.XmlNumRif");
}

void cancellaDocDaElab(Database& db, const QString& utente, const QString& programma) {
    db.EseguiSql(QStringLiteral("DELETE FROM DocDaElab Where Utente = ") + SqlValore(utente, SqlTesto) +
                 QStringLiteral(" AND Programma = ") + SqlValore(programma, SqlTesto));
}

// ---- Numbers ------------------------------------------------------------------------------------

namespace {

// Sign, integer digits and decimal digits of a number as the XML writes it; nothing for
// anything else.
struct NumeroXml {
    bool negativo = false;
    QString intero, decimali;
};

std::optional<NumeroXml> leggiNumeroXml(const QString& t) {
    static const QRegularExpression forma(QStringLiteral("^\\s*([+-]?)(\\d*)(?:\\.(\\d*))?\\s*$"));
    const QRegularExpressionMatch m = forma.match(t);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return std::nullopt;
    NumeroXml n;
    n.negativo = m.captured(1) == u"-";
    n.intero = m.captured(2);
    n.decimali = m.captured(3);
    while (n.intero.size() > 1 && n.intero.front() == u'0')
        n.intero.remove(0, 1);
    if (n.intero.isEmpty())
        n.intero = QStringLiteral("0");
    return n;
}

} // namespace

int XmlCalcNumDec(const QString& numeroXml) {
    const auto n = leggiNumeroXml(numeroXml);
    return n ? static_cast<int>(n->decimali.size()) : 0;
}

QString XmlAllinStr(const QString& numeroXml, int decimali) {
    const auto n = leggiNumeroXml(numeroXml);
    if (!n)
        return numeroXml.trimmed();
    QString intero;
    for (qsizetype i = 0; i < n->intero.size(); ++i) {
        if (i > 0 && (n->intero.size() - i) % 3 == 0)
            intero += u'.';
        intero += n->intero[i];
    }
    QString dec = n->decimali;
    while (dec.size() < decimali)
        dec += u'0';
    const bool zero = !n->intero.contains(QRegularExpression(QStringLiteral("[1-9]"))) &&
                      !dec.contains(QRegularExpression(QStringLiteral("[1-9]")));
    return (n->negativo && !zero ? QStringLiteral("-") : QString()) + intero +
           (dec.isEmpty() ? QString() : QStringLiteral(",") + dec);
}

DecimaliRighe LeggiNumDec(const std::vector<RigaStore>& righe) {
    DecimaliRighe d;
    for (const RigaStore& r : righe) {
        d.quantita = std::max(d.quantita, XmlCalcNumDec(r.testo(u"QuantitaStr")));
        d.prezzo = std::max(d.prezzo, XmlCalcNumDec(r.testo(u"PrezzoUnitarioStr")));
        d.totale = std::max(d.totale, XmlCalcNumDec(r.testo(u"PrezzoTotaleStr")));
        d.sconto = std::max(d.sconto, XmlCalcNumDec(r.testo(u"SM_ImportoStr")));
    }
    return d;
}

// ---- PDF names ------------------------------------------------------------------------------------

namespace {

QString ragioneSociale(const RigaStore& t) {
    const QString d = t.testo(u"CP_DA_Anagrafica_Denominazione").trimmed();
    if (!d.isEmpty())
        return d;
    return (t.testo(u"CP_DA_Anagrafica_Cognome").trimmed() + u' ' +
            t.testo(u"CP_DA_Anagrafica_Nome").trimmed())
        .trimmed();
}

// What a file name may not hold on any system the suite runs on, and control characters.
QString nomeFileSicuro(QString nome) {
    static const QRegularExpression vietati(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    nome.replace(vietati, QStringLiteral("_"));
    nome = nome.trimmed();
    // A name of dots alone would name a folder.
    while (nome.startsWith(u'.'))
        nome.remove(0, 1);
    return nome;
}

QString conPdf(QString nome) {
    if (nome.isEmpty())
        nome = QStringLiteral("fattura");
    if (!nome.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        nome += QStringLiteral(".pdf");
    return nome;
}

} // namespace

QHash<QString, QString> segnapostiFattura(const RigaStore& t) {
    const QDate d = t.data(u"DGD_Data").value_or(QDate());
    const QLocale it(QLocale::Italian, QLocale::Italy);
    const auto fmt = [&](const QString& f) { return d.isValid() ? it.toString(d, f) : QString(); };
    const CodiceConto conto(t.testo(u"GruppoFor"), t.testo(u"MastroFor"), t.testo(u"ContoFor"));
    return {
        {QStringLiteral("Data"), fmt(QStringLiteral("ddMMyyyy"))},
        {QStringLiteral("DataRov"), fmt(QStringLiteral("yyyyMMdd"))},
        {QStringLiteral("DataLong"), fmt(QStringLiteral("dd MMMM yyyy"))},
        {QStringLiteral("DataAbb"), fmt(QStringLiteral("dd MMM yyyy"))},
        {QStringLiteral("DataMeno"), fmt(QStringLiteral("dd-MM-yyyy"))},
        {QStringLiteral("TipoDoc"), t.testo(u"DGD_TipoDocumento").trimmed()},
        {QStringLiteral("PartIva"), t.testo(u"CP_DA_IdFiscaleIVA_IdCodice").trimmed()},
        {QStringLiteral("RagSoc"), ragioneSociale(t)},
        {QStringLiteral("Conto"), conto.testo()},
        {QStringLiteral("Numero"), t.testo(u"DGD_Numero").trimmed().replace(u'/', u'_')},
    };
}

QString sostituisciSegnaposti(const QString& modello, const RigaStore& t, const ContestoNomi& chi) {
    return sostituisciSegnaposto(modello, chi.postazione, chi.azienda, chi.identita, chi.quando,
                                 segnapostiFattura(t), true);
}

QString nomePdfFattura(const RegoleNomePdf& regole, const RigaStore& t, const ContestoNomi& chi) {
    QString modello = regole.modello.trimmed();
    if (modello.isEmpty()) {
        QStringList parti{QStringLiteral("§TipoDoc§"), QStringLiteral("§PartIva§"),
                          QStringLiteral("§Numero§")};
        if (regole.conData)
            parti << QStringLiteral("§DataRov§");
        modello = regole.inizio + parti.join(u'_') + regole.fine;
    }
    return conPdf(nomeFileSicuro(sostituisciSegnaposti(modello, t, chi)));
}

QString nomePdfRiepilogo(const RegoleNomePdf& regole, const QDate& oggi) {
    QString nome = regole.riepilogo.trimmed();
    if (nome.isEmpty())
        nome = QStringLiteral("FatturePassive");
    if (regole.riepData)
        nome += u'_' + oggi.toString(QStringLiteral("yyyyMMdd"));
    return conPdf(nomeFileSicuro(nome));
}

} // namespace tesel::stampa
