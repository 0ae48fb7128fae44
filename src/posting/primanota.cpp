#include "posting/primanota.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/sqlvalore.h"

#include <QStringList>
#include <QVariant>
#include <algorithm>

namespace tesel::posting {

QString testo(const QString& t) {
    return SqlValore(t, SqlTesto);
}

QVariant testoONull(const QString& t) {
    return t.isEmpty() ? QVariant() : QVariant(t);
}

QVariant dataONull(const QDate& d) {
    return d.isValid() ? QVariant(d) : QVariant();
}

QVariant valuta(Currency c) {
    return QVariant::fromValue(c);
}

QString condizioneReg(const QString& tabella, int anno, qint64 numReg) {
    return QStringLiteral(" where ") + tabella + QStringLiteral(".Anno = ") + SqlValore(anno, SqlIntero) +
           QStringLiteral(" and ") + tabella + QStringLiteral(".NumReg = ") + SqlValore(numReg, SqlLungo);
}

QString condizioneFattura(int xmlAnno, qint64 xmlNumRif, const QString& tabella) {
    const QString t = tabella.isEmpty() ? QString() : tabella + u'.';
    return QStringLiteral(" Where ") + t + QStringLiteral("XmlAnno = ") + SqlValore(xmlAnno, SqlIntero) +
           QStringLiteral(" and ") + t + QStringLiteral("XmlNumRif = ") + SqlValore(xmlNumRif, SqlLungo);
}

QString condizioneRegLegata(const QString& tabella) {
    return QStringLiteral(" where ") + tabella + QStringLiteral(".Anno = ? and ") + tabella +
           QStringLiteral(".NumReg = ?");
}

QString condizioneFatturaLegata(const QString& tabella) {
    const QString t = tabella.isEmpty() ? QString() : tabella + u'.';
    return QStringLiteral(" Where ") + t + QStringLiteral("XmlAnno = ? and ") + t +
           QStringLiteral("XmlNumRif = ?");
}

QDate dataCampo(const Recordset& rs, const QString& campo) {
    const auto d = dataOraDaVariant(rs.LeggiCampo(campo));
    if (!d || d->date().year() == 100)
        return {};
    return d->date();
}

Currency importo(const Recordset& rs, const QString& campo) {
    return rs.leggiValuta(campo).value_or(Currency());
}

QString importoConSegno(const QString& tabella, const QString& campo, const QString& lato) {
    const QString c = tabella + u'.' + campo;
    return QStringLiteral("CASE WHEN ") + tabella + QStringLiteral(".DareAvere = ") + testo(lato) +
           QStringLiteral(" THEN ") + c + QStringLiteral(" ELSE -") + c + QStringLiteral(" END");
}

Currency importoConSegno(const Recordset& rs, const QString& campo, const QString& lato) {
    const Currency c = importo(rs, campo);
    return rs.leggiTesto(QStringLiteral("DareAvere")).trimmed() == lato ? c : -c;
}

CodiceConto conTipo(CodiceConto c, int tipo) {
    c.tipo = tipo;
    return c;
}

RigaPn rigaConto(int rigReg, const CodiceConto& partita, const CodiceConto& cPartita, const QString& lato,
                 Currency c) {
    RigaPn r;
    r.rigReg = rigReg;
    r.partita = partita;
    r.cPartita = cPartita;
    r.dareAvere = lato;
    r.importo = c;
    return r;
}

TabellePn tabelle(FamigliaPn f) {
    switch (f) {
    case FamigliaPn::Giornale:
        return {QStringLiteral("MovPnTes"), QStringLiteral("MovPnDett"), QStringLiteral("MovPnIva")};
    case FamigliaPn::Fittizia:
        return {QStringLiteral("MovPnTesFitt"), QStringLiteral("MovPnDettFitt"),
                QStringLiteral("MovPnIvaFitt")};
    case FamigliaPn::Appoggio:
        break;
    }
    return {QStringLiteral("MovPnTesFatt"), QStringLiteral("MovPnDettFatt"), QStringLiteral("MovPnIvaFatt")};
}

QDate dataVuota() {
    return QDate(100, 1, 1);
}

QString latoOpposto(const QString& lato) {
    return lato == u"D" ? QStringLiteral("A") : QStringLiteral("D");
}

QString latoDaSegno(int segno) {
    return segno == 1 || segno == 3 ? QStringLiteral("D") : QStringLiteral("A");
}

namespace {

int inserisciTestata(Database& db, const TestataPn& t, const QString& inCasoDiConflitto) {
    return db.EseguiConValori(
        QStringLiteral("INSERT INTO ") + tabelle(t.famiglia).testata +
            QStringLiteral(
                " (Anno, NumReg, DataReg, Causale, InValuta, DescrAgg, PreDoc, NumDoc, DataDoc, PreProt,"
                " NumProt, DataProt, Moneta, Cambio, PeriodoIva, AnnoIva, RagRB, BlackList, OperazRilev,"
                " PreDocOrig, NumDocOrig, DataDocOrig, IvaPerCassa, XmlAnno, XmlNumRif, Pagamento)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'N', 'N', 'N', ?, ?, ?, ?, ?, ?, "
                "?)") +
            inCasoDiConflitto,
        {t.anno,
         t.numReg,
         dataONull(t.dataReg),
         testoONull(t.causale),
         testoONull(t.inValuta),
         testoONull(t.descrAgg),
         testoONull(t.preDoc),
         testoONull(t.numDoc),
         dataONull(t.dataDoc),
         testoONull(t.preProt),
         t.numProt,
         dataONull(t.dataProt),
         testoONull(t.moneta),
         t.cambio.comeDouble(),
         t.periodoIva ? QVariant(*t.periodoIva) : QVariant(),
         t.annoIva ? QVariant(*t.annoIva) : QVariant(),
         testoONull(t.preDocOrig),
         testoONull(t.numDocOrig),
         dataONull(t.dataDocOrig),
         testoONull(t.ivaPerCassa),
         t.xmlAnno ? QVariant(t.xmlAnno) : QVariant(),
         t.xmlNumRif ? QVariant(t.xmlNumRif) : QVariant(),
         testoONull(t.pagamento)});
}

} // namespace

void scriviTestata(Database& db, const TestataPn& t) {
    inserisciTestata(db, t, QString());
}

bool scriviTestataSeLibera(Database& db, const TestataPn& t) {
    return inserisciTestata(db, t, QStringLiteral(" ON CONFLICT DO NOTHING")) == 1;
}

RigaPn rigaComeScritta(const RigaPn& riga) {
    // A negative amount (a discount on an account of its own, a document with negative
    // totals) goes to the other side as a positive one: the journal never holds a negative
    // amount, and the row's VAT follows the row.
    RigaPn r = riga;
    if (r.importo.negativo() || (r.importo.zero() && r.imposta.negativo())) {
        r.dareAvere = latoOpposto(r.dareAvere);
        r.importo = -r.importo;
        r.imposta = -r.imposta;
        r.impostaIndetr = -r.impostaIndetr;
    }
    return r;
}

namespace {

// The values of one account row in the order of the columns scriviRighe writes.
void aggiungiValoriRiga(QVariantList& valori, const TestataPn& t, const RigaPn& riga) {
    const RigaPn r = rigaComeScritta(riga);
    valori << t.anno << t.numReg << r.rigReg << r.rigReg << testoONull(t.preDoc) << testoONull(t.numDoc)
           << dataONull(t.dataDoc) << testoONull(t.preProt) << t.numProt << dataONull(t.dataProt)
           << r.partita.tipo << testoONull(r.partita.gruppo) << testoONull(r.partita.mastro)
           << testoONull(r.partita.conto) << (r.cPartita.vuoto() ? QVariant() : QVariant(r.cPartita.tipo))
           << testoONull(r.cPartita.gruppo) << testoONull(r.cPartita.mastro) << testoONull(r.cPartita.conto)
           << r.dareAvere << valuta(r.importo) << valuta(r.importo) << t.cambio.comeDouble()
           << testoONull(r.iva) << valuta(r.imposta) << valuta(r.imposta) << valuta(r.impostaIndetr)
           << valuta(r.impostaIndetr) << testoONull(r.forzatura) << testoONull(r.forzatura)
           << testoONull(r.ivaPerCassa) << dataONull(r.dataCompDa) << dataONull(r.dataCompA);
}

} // namespace

void scriviRiga(Database& db, const TestataPn& t, const RigaPn& riga) {
    scriviRighe(db, t, {riga});
}

void scriviRighe(Database& db, const TestataPn& t, const std::vector<RigaPn>& righe) {
    const QString inserisci =
        QStringLiteral("INSERT INTO ") + tabelle(t.famiglia).righe +
        QStringLiteral(
            " (Anno, NumReg, RigReg, RigLiv, PreDoc, NumDoc, DataDoc, PreProt, NumProt, DataProt,"
            " TipoPartita, GruppoPartita, MastroPartita, ContoPartita,"
            " TipoCPartita, GruppoCPartita, MastroCPartita, ContoCPartita, DareAvere,"
            " ImportoMon, Importo, Cambio, Iva, ImpostaMon, Imposta, ImpostaIndetrMon, ImpostaIndetr,"
            " Forzatura, ForzaturaMonCor, FlagPartChiusa, BlackList, IvaPerCassa, DataCompDa, DataCompA)"
            " VALUES ");
    const QString segnaposti =
        QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                       " ?, ?, ?, ?, ?, ?, ?, 'A', 'N', ?, ?, ?)");
    for (std::size_t primo = 0; primo < righe.size(); primo += RighePerIstruzione) {
        const std::size_t fine = std::min(righe.size(), primo + RighePerIstruzione);
        QStringList gruppi;
        QVariantList valori;
        for (std::size_t i = primo; i < fine; ++i) {
            gruppi << segnaposti;
            aggiungiValoriRiga(valori, t, righe[i]);
        }
        db.EseguiInCoda(inserisci + gruppi.join(QStringLiteral(", ")), valori);
    }
}

void ScriviRigaPn(Database& db, const TestataPn& t, int rigReg, int segno, Currency importo,
                  const CodiceConto& partita, const CodiceConto& cPartita, const QString& ivaPerCassa) {
    RigaPn r;
    r.rigReg = rigReg;
    r.partita = partita;
    r.cPartita = cPartita;
    r.dareAvere = latoDaSegno(segno);
    r.importo = importo;
    r.ivaPerCassa = ivaPerCassa;
    scriviRiga(db, t, r);
}

int tipoConto(Database& db, const QString& gruppo, const QString& mastro, const QString& conto) {
    // Letters where the chart's accounts are numbers name no account: its kind is not known.
    const auto valori = CodiceConto(gruppo, mastro, conto).valoriSql(db.contiNumerici());
    if (!valori)
        return 0;
    Recordset rs = db.ApriRs(
        QStringLiteral("Select Tipo from PianoConti Where Gruppo = ? And Mastro = ? And Conto = ?"), *valori);
    return rs.RsVuoto() ? 0 : static_cast<int>(rs.leggiIntero(QStringLiteral("Tipo")).value_or(0));
}

} // namespace tesel::posting
