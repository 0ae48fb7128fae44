#include "import/lettorefattura.h"

#include "frame/data.h"
#include "frame/parametri.h"
#include "store/store.h"

namespace tesel {

namespace {

QString nome(pugi::xml_node n) {
    return NomeLocale(n);
}

bool vuotoOZero(const std::optional<Currency>& v) {
    return !v || v->zero();
}

// A percentage as people write it: 10, 5.5, 12.25.
QString percentualeCorta(const Currency& c) {
    return c.testoXml(0);
}

std::optional<Currency> negato(const std::optional<Currency>& v) {
    return v ? std::optional<Currency>(-*v) : std::nullopt;
}

const QString ReverseChargeNatura = QStringLiteral("N6");

} // namespace

// ---- RigaFattura ---------------------------------------------------------------------------

void RigaFattura::metti(const QString& colonna, const QVariant& valore) {
    // The readers name a column the same way every time: the exact name is the fast path.
    if (const auto it = indice_.constFind(colonna); it != indice_.constEnd()) {
        colonne_[*it].second = valore;
        return;
    }
    for (auto& [nome, v] : colonne_)
        if (nome.compare(colonna, Qt::CaseInsensitive) == 0) {
            v = valore;
            return;
        }
    indice_.insert(colonna, static_cast<int>(colonne_.size()));
    colonne_.emplace_back(colonna, valore);
}

const QVariant* RigaFattura::trova(const QString& colonna) const {
    if (const auto it = indice_.constFind(colonna); it != indice_.constEnd())
        return &colonne_[*it].second;
    for (const auto& [nome, v] : colonne_)
        if (nome.compare(colonna, Qt::CaseInsensitive) == 0)
            return &v;
    return nullptr;
}

QVariant RigaFattura::valore(const QString& colonna) const {
    const QVariant* v = trova(colonna);
    return v ? *v : QVariant();
}

QString RigaFattura::testo(const QString& colonna) const {
    const QVariant v = valore(colonna);
    return v.isNull() ? QString() : v.toString();
}

std::optional<Currency> RigaFattura::valuta(const QString& colonna) const {
    return Currency::daVariant(valore(colonna));
}

bool RigaFattura::ha(const QString& colonna) const {
    return trova(colonna) != nullptr;
}

// ---- Parameters ------------------------------------------------------------------------------

ParametriLettura ParametriLettura::leggi(ParametriAzienda& p) {
    ParametriLettura r;
    r.rigaZeroDescrittiva = p.leggi(QStringLiteral("Tesel.RigaZeroDescr"), QStringLiteral("S")) == u"S";
    r.invertiNoteCredito = p.leggi(QStringLiteral("Tesel.InvNotaCredNeg"), QStringLiteral("N")) == u"S";
    r.contoPrior = p.leggi(QStringLiteral("XML.ContoPrior"), QStringLiteral("F")).trimmed().toUpper();
    if (r.contoPrior.isEmpty())
        r.contoPrior = QStringLiteral("F");
    r.contoAcquisti = {p.leggi(QStringLiteral("CauCon.GruppoAcq")),
                       p.leggi(QStringLiteral("CauCon.MastroAcq")),
                       p.leggi(QStringLiteral("CauCon.ContoAcq"))};
    return r;
}

// ---- Reader ------------------------------------------------------------------------------------

LettoreFattura::LettoreFattura(Risolutore& risolutore, const ParametriLettura& parametri,
                               const OpzioniImport& opzioni, TestoErrori& errori)
    : risolutore_(risolutore), par_(parametri), opzioni_(opzioni), errori_(errori) {
}

void LettoreFattura::importo(RigaFattura& riga, const QString& colonna, pugi::xml_node el,
                             const QString& etichetta) {
    riga.mettiValore(colonna, valoreImporto(el, etichetta, errori_));
}

void LettoreFattura::data(RigaFattura& riga, const QString& colonna, pugi::xml_node el,
                          const QString& etichetta) {
    riga.mettiValore(colonna, valoreData(el, etichetta, errori_));
}

void LettoreFattura::leggi(pugi::xml_node header, pugi::xml_node body, int anno, qint32 numero,
                           const QDate& dataFattura, FatturaLetta& out) {
    out_ = &out;
    anno_ = anno;
    numero_ = numero;
    dataFattura_ = dataFattura;
    const QString tipo =
        TestoElemento(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/TipoDocumento")).trimmed();
    semplificata_ = tipo == u"TD07" || tipo == u"TD08" || tipo == u"TD09";

    leggiTestataXml(header, body);

    for (pugi::xml_node figlio : FigliElemento(body)) {
        const QString n = nome(figlio);
        if (n == u"DatiGenerali")
            leggiDatiGenerali(figlio);
        else if (n == u"DatiBeniServizi")
            leggiBeniServizi(figlio);
        else if (n == u"DatiVeicoli")
            leggiDatiVeicoli(figlio);
        else if (n == u"DatiPagamento")
            leggiPagamento(figlio);
        else if (n == u"Allegati")
            scriviBlocco(figlio, BloccoAllegati, 0);
    }
    completaTestata();
}

// ---- Header ------------------------------------------------------------------------------------

void LettoreFattura::leggiTestataXml(pugi::xml_node header, pugi::xml_node body) {
    for (pugi::xml_node figlio : FigliElemento(header)) {
        const QString n = nome(figlio);
        if (n == u"DatiTrasmissione")
            leggiDatiTrasmissione(figlio);
        else if (n == u"CedentePrestatore") {
            leggiCedente(figlio);
            risolviFornitore(body);
        } else if (n == u"CessionarioCommittente")
            leggiCessionario(figlio);
        else if (n == u"TerzoIntermediarioOSoggettoEmittente") {
            if (pugi::xml_node da = FiglioPerNome(figlio, u"DatiAnagrafici"))
                leggiDatiAnagrafici(da, QStringLiteral("TISE_DA_"));
        } else if (n == u"RappresentanteFiscale") {
            if (pugi::xml_node da = FiglioPerNome(figlio, u"DatiAnagrafici"))
                leggiDatiAnagrafici(da, QStringLiteral("RF_DA_"));
        } else if (n == u"SoggettoEmittente")
            out_->testata.mettiTesto(QStringLiteral("SoggettoEmittente"), ValoreTesto(figlio));
    }
}

void LettoreFattura::leggiFigliCome(pugi::xml_node blocco, const QString& prefisso) {
    for (pugi::xml_node figlio : FigliElemento(blocco))
        out_->testata.mettiTesto(prefisso + nome(figlio), ValoreTesto(figlio));
}

void LettoreFattura::leggiIdFiscale(pugi::xml_node id, const QString& prefisso) {
    out_->testata.mettiTesto(prefisso + QStringLiteral("IdFiscaleIVA_IdPaese"), TestoFiglio(id, u"IdPaese"));
    out_->testata.mettiTesto(prefisso + QStringLiteral("IdFiscaleIVA_IdCodice"),
                             TestoFiglio(id, u"IdCodice"));
}

// DatiAnagrafici of a party; X is the party's prefix ("TISE_DA_", "RF_DA_", "DGD_DT_DAV_").
void LettoreFattura::leggiDatiAnagrafici(pugi::xml_node da, const QString& x) {
    for (pugi::xml_node figlio : FigliElemento(da)) {
        const QString n = nome(figlio);
        if (n == u"IdFiscaleIVA")
            leggiIdFiscale(figlio, x);
        else if (n == u"Anagrafica")
            for (const char* campo : {"Denominazione", "Nome", "Cognome", "Titolo", "CodEORI"})
                out_->testata.mettiTesto(x + QStringLiteral("Anagrafica_") + QLatin1String(campo),
                                         TestoFiglio(figlio, QLatin1String(campo)));
        else
            out_->testata.mettiTesto(x + n, ValoreTesto(figlio));
    }
}

void LettoreFattura::leggiDatiTrasmissione(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"IdTrasmittente") {
            t.mettiTesto(QStringLiteral("DT_IdTrasmittente_IdPaese"), TestoFiglio(figlio, u"IdPaese"));
            t.mettiTesto(QStringLiteral("DT_IdTrasmittente_IdCodice"), TestoFiglio(figlio, u"IdCodice"));
        } else if (n == u"ContattiTrasmittente") {
            t.mettiTesto(QStringLiteral("DT_ContattiTrasmittente_Telefono"),
                         TestoFiglio(figlio, u"Telefono"));
            t.mettiTesto(QStringLiteral("DT_ContattiTrasmittente_Email"), TestoFiglio(figlio, u"Email"));
        } else
            t.mettiTesto(QStringLiteral("DT_") + n, ValoreTesto(figlio));
    }
}

// A child of the supplier's DatiAnagrafici, or of the supplier itself in the simplified layout.
void LettoreFattura::leggiAnagraficaCedente(pugi::xml_node figlio) {
    RigaFattura& t = out_->testata;
    const QString n = nome(figlio);
    if (n == u"IdFiscaleIVA")
        leggiIdFiscale(figlio, QStringLiteral("CP_DA_"));
    else if (n == u"Anagrafica")
        for (const char* campo : {"Denominazione", "Nome", "Cognome", "Titolo", "CodEORI"})
            t.mettiTesto(QStringLiteral("CP_DA_Anagrafica_") + QLatin1String(campo),
                         TestoFiglio(figlio, QLatin1String(campo)));
    else if (n == u"DataIscrizioneAlbo")
        data(t, QStringLiteral("CP_DA_DataIscrizioneAlbo"), figlio,
             QStringLiteral("CP_DA_DataIscrizioneAlbo"));
    else
        t.mettiTesto(QStringLiteral("CP_DA_") + n, ValoreTesto(figlio));
}

void LettoreFattura::leggiCedente(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DatiAnagrafici")
            for (pugi::xml_node f : FigliElemento(figlio))
                leggiAnagraficaCedente(f);
        else if (n == u"Sede")
            leggiFigliCome(figlio, QStringLiteral("CP_Sede_"));
        else if (n == u"StabileOrganizzazione")
            leggiFigliCome(figlio, QStringLiteral("CP_SO_"));
        else if (n == u"IscrizioneREA") {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString c = QStringLiteral("CP_REA_") + nome(f);
                if (nome(f) == u"CapitaleSociale")
                    importo(t, c, f, c);
                else
                    t.mettiTesto(c, ValoreTesto(f));
            }
        } else if (n == u"Contatti")
            leggiFigliCome(figlio, QStringLiteral("CP_Contatti_"));
        else if (n == u"IdFiscaleIVA" || n == u"Anagrafica" || n == u"DataIscrizioneAlbo" ||
                 n == u"AlboProfessionale" || n == u"ProvinciaAlbo" || n == u"NumeroIscrizioneAlbo" ||
                 n == u"RegimeFiscale" || n == u"CodiceFiscale")
            leggiAnagraficaCedente(figlio);
        else if (n == u"Denominazione" || n == u"Nome" || n == u"Cognome" || n == u"Titolo" ||
                 n == u"CodEORI")
            t.mettiTesto(QStringLiteral("CP_DA_Anagrafica_") + n, ValoreTesto(figlio));
        else
            t.mettiTesto(QStringLiteral("CP_") + n, ValoreTesto(figlio));
    }
}

void LettoreFattura::leggiDatiAnagraficiCessionario(pugi::xml_node da) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node f : FigliElemento(da)) {
        const QString n = nome(f);
        if (n == u"IdFiscaleIVA")
            leggiIdFiscale(f, QStringLiteral("CC_DA_"));
        else if (n == u"Anagrafica")
            leggiFigliCome(f, QStringLiteral("CC_DA_Anagrafica_"));
        else
            t.mettiTesto(QStringLiteral("CC_DA_") + n, ValoreTesto(f));
    }
}

void LettoreFattura::leggiCessionario(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    const auto rappresentante = [&](pugi::xml_node rf) {
        for (pugi::xml_node f : FigliElemento(rf)) {
            if (nome(f) == u"IdFiscaleIVA")
                leggiIdFiscale(f, QStringLiteral("CC_RF_"));
            else
                t.mettiTesto(QStringLiteral("CC_RF_") + nome(f), ValoreTesto(f));
        }
    };
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"IdentificativiFiscali") {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                if (nome(f) == u"IdFiscaleIVA")
                    leggiIdFiscale(f, QStringLiteral("CC_DA_"));
                else
                    t.mettiTesto(QStringLiteral("CC_DA_") + nome(f), ValoreTesto(f));
            }
        } else if (n == u"DatiAnagrafici")
            leggiDatiAnagraficiCessionario(figlio);
        else if (n == u"AltriDatiIdentificativi") {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString nf = nome(f);
                if (nf == u"Sede")
                    leggiFigliCome(f, QStringLiteral("CC_Sede_"));
                else if (nf == u"StabileOrganizzazione")
                    leggiFigliCome(f, QStringLiteral("CC_SO_"));
                else if (nf == u"RappresentanteFiscale")
                    rappresentante(f);
                else
                    t.mettiTesto(QStringLiteral("CC_DA_Anagrafica_") + nf, ValoreTesto(f));
            }
        } else if (n == u"Sede")
            leggiFigliCome(figlio, QStringLiteral("CC_Sede_"));
        else if (n == u"StabileOrganizzazione")
            leggiFigliCome(figlio, QStringLiteral("CC_SO_"));
        else if (n == u"RappresentanteFiscale")
            rappresentante(figlio);
        else if (n == u"IdFiscaleIVA")
            leggiIdFiscale(figlio, QStringLiteral("CC_DA_"));
        else if (n == u"Anagrafica")
            leggiFigliCome(figlio, QStringLiteral("CC_DA_Anagrafica_"));
        else if (n == u"CodiceFiscale")
            t.mettiTesto(QStringLiteral("CC_DA_CodiceFiscale"), ValoreTesto(figlio));
        else if (n == u"Denominazione" || n == u"Nome" || n == u"Cognome" || n == u"Titolo" ||
                 n == u"CodEORI")
            t.mettiTesto(QStringLiteral("CC_DA_Anagrafica_") + n, ValoreTesto(figlio));
        else
            t.mettiTesto(QStringLiteral("CC_") + n, ValoreTesto(figlio));
    }
}

void LettoreFattura::risolviFornitore(pugi::xml_node body) {
    const RigaFattura& t = out_->testata;
    DatiCedente c;
    c.idPaese = t.testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdPaese"));
    c.partitaIva = t.testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice"));
    c.codiceFiscale = t.testo(QStringLiteral("CP_DA_CodiceFiscale"));
    c.denominazione = t.testo(QStringLiteral("CP_DA_Anagrafica_Denominazione"));
    c.nome = t.testo(QStringLiteral("CP_DA_Anagrafica_Nome"));
    c.cognome = t.testo(QStringLiteral("CP_DA_Anagrafica_Cognome"));
    c.titolo = t.testo(QStringLiteral("CP_DA_Anagrafica_Titolo"));
    c.codEori = t.testo(QStringLiteral("CP_DA_Anagrafica_CodEORI"));
    c.indirizzo = t.testo(QStringLiteral("CP_Sede_Indirizzo"));
    c.numeroCivico = t.testo(QStringLiteral("CP_Sede_NumeroCivico"));
    c.cap = t.testo(QStringLiteral("CP_Sede_CAP"));
    c.comune = t.testo(QStringLiteral("CP_Sede_Comune"));
    c.provincia = t.testo(QStringLiteral("CP_Sede_Provincia"));
    c.nazione = t.testo(QStringLiteral("CP_Sede_Nazione"));
    c.soIndirizzo = t.testo(QStringLiteral("CP_SO_Indirizzo"));
    c.soNumeroCivico = t.testo(QStringLiteral("CP_SO_NumeroCivico"));
    c.soCap = t.testo(QStringLiteral("CP_SO_CAP"));
    c.soComune = t.testo(QStringLiteral("CP_SO_Comune"));
    c.soProvincia = t.testo(QStringLiteral("CP_SO_Provincia"));
    c.soNazione = t.testo(QStringLiteral("CP_SO_Nazione"));
    c.telefono = t.testo(QStringLiteral("CP_Contatti_Telefono"));
    c.fax = t.testo(QStringLiteral("CP_Contatti_Fax"));
    c.email = t.testo(QStringLiteral("CP_Contatti_Email"));
    c.riferimentoAmministrazione = t.testo(QStringLiteral("CP_RiferimentoAmministrazione"));
    c.numeroFattura = ValoreTesto(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/Numero"));
    c.dataFattura = dataFattura_;
    c.primoArticolo = ValoreTesto(NodoPerPercorso(body, u"DatiBeniServizi/DettaglioLinee/Descrizione"));
    if (c.primoArticolo.isEmpty())
        c.primoArticolo = ValoreTesto(NodoPerPercorso(body, u"DatiBeniServizi/Descrizione"));

    fornitore_ =
        risolutore_.fornitore(c, opzioni_.creaFornitori, opzioni_.gruppoFornitori, opzioni_.mastroFornitori);
    if (fornitore_.trovato()) {
        out_->testata.mettiTesto(QStringLiteral("GruppoFor"), fornitore_.conto.gruppo);
        out_->testata.mettiTesto(QStringLiteral("MastroFor"), fornitore_.conto.mastro);
        out_->testata.mettiTesto(QStringLiteral("ContoFor"), fornitore_.conto.conto);
    }
}

// ---- General data ------------------------------------------------------------------------------

void LettoreFattura::leggiDatiGenerali(pugi::xml_node blocco) {
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DatiGeneraliDocumento")
            leggiDatiGeneraliDocumento(figlio);
        else if (n == u"DatiTrasporto")
            leggiDatiTrasporto(figlio);
        else if (n == u"FatturaPrincipale")
            continue;
        else if (const BloccoDatiGen* b = bloccoPerXmlIdent(n))
            scriviBlocco(figlio, b->codice, 0);
    }

    // Credit notes with a negative total are turned into positive documents whose every
    // amount is inverted, when the company asks for it.
    RigaFattura& t = out_->testata;
    const QString tipo = t.testo(QStringLiteral("DGD_TipoDocumento")).trimmed();
    const auto totale = t.valuta(QStringLiteral("DGD_ImportoTotaleDocumento"));
    if (par_.invertiNoteCredito && (tipo == u"TD04" || tipo == u"TD08") && totale && totale->negativo()) {
        inverti_ = true;
        t.mettiValore(QStringLiteral("DGD_ImportoTotaleDocumento"), std::optional<Currency>(-*totale));
    }
}

void LettoreFattura::leggiDatiGeneraliDocumento(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    static const QString Separatore = QStringLiteral("§çé^?");
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Data")
            t.metti(QStringLiteral("DGD_Data"), dataFattura_);
        else if (n == u"DatiRitenuta") {
            if (t.testo(QStringLiteral("DGD_DR_TipoRitenuta")).trimmed().isEmpty()) {
                for (pugi::xml_node f : FigliElemento(figlio)) {
                    const QString c = QStringLiteral("DGD_DR_") + nome(f);
                    if (nome(f) == u"ImportoRitenuta" || nome(f) == u"AliquotaRitenuta")
                        importo(t, c, f, c);
                    else
                        t.mettiTesto(c, ValoreTesto(f));
                }
            } else
                scriviBlocco(figlio, BloccoDatiRitenuta, 0);
        } else if (n == u"DatiBollo") {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString c = QStringLiteral("DGD_DB_") + nome(f);
                if (nome(f) == u"ImportoBollo")
                    importo(t, c, f, c);
                else
                    t.mettiTesto(c, ValoreTesto(f));
            }
        } else if (n == u"DatiCassaPrevidenziale")
            scriviBlocco(figlio, BloccoDatiCassaPrevidenziale, 0);
        else if (n == u"ScontoMaggiorazione")
            scriviBlocco(figlio, BloccoScontoMaggiorazione, 0);
        else if (n == u"Arrotondamento" || n == u"ImportoTotaleDocumento")
            importo(t, QStringLiteral("DGD_") + n, figlio, QStringLiteral("DGD_") + n);
        else if (n == u"Causale")
            causaleRaccolta_ += Separatore + ValoreTesto(figlio);
        else
            t.mettiTesto(QStringLiteral("DGD_") + n, ValoreTesto(figlio));
    }
    if (!causaleRaccolta_.trimmed().isEmpty())
        t.mettiTesto(QStringLiteral("DGD_Causale"), causaleRaccolta_.mid(Separatore.size()));
    cercaContoCassa(t.testo(QStringLiteral("DGD_DR_TipoRitenuta")).trimmed(),
                    t.valuta(QStringLiteral("DGD_DR_AliquotaRitenuta")));
}

// A withholding that is not an income-tax one (RT01, RT02) is a social-security contribution
// whose expense account is found by its rate.
void LettoreFattura::cercaContoCassa(const QString& tipoRitenuta, const std::optional<Currency>& aliquota) {
    if (tipoRitenuta.isEmpty() || tipoRitenuta == u"RT01" || tipoRitenuta == u"RT02" || !aliquota ||
        contoCassa_)
        return;
    const CodiceConto conto = risolutore_.contoCassaPrevidenziale(*aliquota);
    if (!conto.vuoto())
        contoCassa_ = conto;
}

void LettoreFattura::leggiDatiTrasporto(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        const QString c = QStringLiteral("DGD_DT_") + n;
        if (n == u"DatiAnagraficiVettore")
            leggiDatiAnagrafici(figlio, QStringLiteral("DGD_DT_DAV_"));
        else if (n == u"NumeroColli" || n == u"PesoLordo" || n == u"PesoNetto")
            importo(t, c, figlio, c);
        else if (n == u"DataOraRitiro" || n == u"DataInizioTrasporto" || n == u"DataOraConsegna")
            data(t, c, figlio, c);
        else if (n == u"IndirizzoResa")
            leggiFigliCome(figlio, QStringLiteral("DGD_DT_IR_"));
        else
            t.mettiTesto(c, ValoreTesto(figlio));
    }
}

void LettoreFattura::leggiDatiVeicoli(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Data")
            data(t, QStringLiteral("DV_Data"), figlio, QStringLiteral("DV_Data"));
        else
            t.mettiTesto(QStringLiteral("DV_") + n, ValoreTesto(figlio));
    }
}

RigaFattura& LettoreFattura::scriviBlocco(pugi::xml_node elemento, int codice, qint64 rigDet) {
    const BloccoDatiGen* b = bloccoPerCodice(codice);
    const QString ident = b->xmlIdent;
    const QString prefisso = b->prefisso;
    RigaFattura& r = out_->datiGen.emplace_back();
    r.metti(store::XmlAnno, anno_);
    r.metti(store::XmlNumRif, numero_);
    r.mettiTesto(store::XMLIdent, ident);
    r.metti(store::XmlRigDet, rigDet);
    r.metti(store::XmlNumEle, ++contatori_[static_cast<size_t>(codice)]);

    QStringList righeRiferite;
    QString natura;
    for (pugi::xml_node figlio : FigliElemento(elemento)) {
        const QString n = nome(figlio);
        const QString c = prefisso + n;
        if (n == u"RiferimentoNumeroLinea")
            righeRiferite << ValoreTesto(figlio).trimmed();
        else if (n == u"Data" || n == u"DataDDT" || n == u"RiferimentoData")
            data(r, c, figlio, EtichettaTagDatiGen(figlio, ident));
        else if (n == u"RiferimentoFase") {
            const auto v = valoreNumeroSilenzioso(figlio);
            r.metti(c,
                    v ? QVariant(static_cast<qlonglong>(v->decimillesimi() / Currency::Scala)) : QVariant());
        } else if (n == u"AlCassa" || n == u"ImportoContributoCassa" || n == u"ImponibileCassa" ||
                   n == u"AliquotaIVA" || n == u"Percentuale" || n == u"Importo" || n == u"ImportoRitenuta" ||
                   n == u"AliquotaRitenuta" || n == u"RiferimentoNumero")
            importo(r, c, figlio, EtichettaTagDatiGen(figlio, ident));
        else if (n == u"Attachment") {
            if (opzioni_.estraiAllegati)
                out_->allegati.push_back({figlio, TestoFiglio(elemento, u"NomeAttachment")});
        } else {
            r.mettiTesto(c, ValoreTesto(figlio));
            if (n == u"Natura")
                natura = ValoreTesto(figlio).trimmed();
        }
    }
    if (!righeRiferite.isEmpty())
        r.mettiTesto(prefisso + QStringLiteral("RiferimentoNumeroLinea"), righeRiferite.join(u','));

    if (codice == BloccoDatiCassaPrevidenziale) {
        const ChiaveIva& k = ivaPerChiave(r.valuta(prefisso + QStringLiteral("AliquotaIVA")), natura, 0, {});
        r.mettiTesto(prefisso + QStringLiteral("Iva"), k.iva);
    } else if (codice == BloccoDatiRitenuta)
        cercaContoCassa(r.testo(prefisso + QStringLiteral("TipoRitenuta")).trimmed(),
                        r.valuta(prefisso + QStringLiteral("AliquotaRitenuta")));
    return r;
}

// ---- VAT key table ------------------------------------------------------------------------------

const LettoreFattura::ChiaveIva& LettoreFattura::ivaPerChiave(const std::optional<Currency>& aliquota,
                                                              const QString& natura, qint64 numIvaDoppia,
                                                              const QString& suggerita) {
    for (const ChiaveIva& k : chiaviIva_)
        if (k.aliquota == aliquota && k.natura == natura && k.numIvaDoppia == numIvaDoppia)
            return k;

    ChiaveIva nuova{aliquota, natura, numIvaDoppia, {}, {}};
    std::optional<CodiceIvaTrovato> trovato;
    if (!suggerita.isEmpty())
        trovato = risolutore_.ivaPerCodice(suggerita);
    if (!trovato && !natura.isEmpty())
        for (const IvaPerNatura& f : opzioni_.ivaPerNatura)
            if (!f.iva.isEmpty() && f.natura.trimmed().compare(natura, Qt::CaseInsensitive) == 0) {
                trovato = risolutore_.ivaPerCodice(f.iva);
                break;
            }
    if (!trovato && natura.isEmpty() && !opzioni_.ivaAltra.isEmpty()) {
        const auto altra = risolutore_.ivaPerCodice(opzioni_.ivaAltra);
        if (altra && altra->natura.isEmpty() &&
            altra->aliquota.value_or(Currency()) == aliquota.value_or(Currency()))
            trovato = altra;
    }
    // The supplier's own VAT code wins among codes of the same rate and nature.
    if (!trovato && !fornitore_.iva.isEmpty() && fornitore_.ivaNatura.trimmed() == natura &&
        fornitore_.ivaAliquota.value_or(Currency()) == aliquota.value_or(Currency()))
        trovato = risolutore_.ivaPerCodice(fornitore_.iva);
    if (!trovato)
        trovato = risolutore_.ivaPerAliquota(aliquota, natura, {});
    if (trovato) {
        nuova.iva = trovato->iva;
        nuova.afeIvaEse = trovato->afeIvaEse;
    }
    chiaviIva_.push_back(nuova);
    return chiaviIva_.back();
}

// ---- Lines ------------------------------------------------------------------------------------------

void LettoreFattura::leggiBeniServizi(pugi::xml_node blocco) {
    if (semplificata_) {
        leggiLineaSemplificata(blocco);
        return;
    }
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DettaglioLinee")
            leggiLinea(figlio);
        else if (n == u"DatiRiepilogo")
            leggiRiepilogo(figlio);
    }
}

void LettoreFattura::applicaAltriDati(const RigaFattura& adg, AttributiRiga& attr) {
    const QString tipo = adg.testo(QStringLiteral("ADG_TipoDato")).trimmed().toLower();
    const QString testo = adg.testo(QStringLiteral("ADG_RiferimentoTesto")).trimmed();
    const auto numero = adg.valuta(QStringLiteral("ADG_RiferimentoNumero"));
    const QString minuscolo = testo.toLower();
    if (tipo == u"aswtriga") {
        attr.numIvaDoppia = numero ? numero->decimillesimi() / Currency::Scala : 0;
        QString kind = testo;
        const bool de = testo.contains(u"#DE#"), id = testo.contains(u"#ID#");
        for (const char* marca : {"#DE#", "#ID#", "#OC#", "#OS#"})
            kind.remove(QLatin1String(marca));
        if (minuscolo.contains(u"kitpadre"))
            attr.kitPadreFiglio = QStringLiteral("P");
        else if (minuscolo.contains(u"kitfiglio"))
            attr.kitPadreFiglio = QStringLiteral("F");
        if (minuscolo.contains(u"kitpadre") || minuscolo.contains(u"kitfiglio"))
            kind.remove(QStringLiteral("kitpadre"), Qt::CaseInsensitive)
                .remove(QStringLiteral("kitfiglio"), Qt::CaseInsensitive);
        kind = kind.trimmed();
        if (testo.contains(u"#OC#"))
            attr.omaggio = QStringLiteral("I");
        else if (testo.contains(u"#OS#"))
            attr.omaggio = QStringLiteral("S");
        if (de || id) {
            attr.regolaDescrittivaSpenta = true;
            if (kind.isEmpty())
                kind = id ? QStringLiteral("ID") : QStringLiteral("DE");
        }
        if (kind.size() > 4) {
            errori_.aggiungi(QStringLiteral("Troncato tipo riga: ") + kind);
            kind = kind.left(4);
        }
        attr.tipoRiga = kind;
    } else if (tipo == u"aswrifriga") {
        if (numero)
            attr.kitRifRiga = numero->decimillesimi() / Currency::Scala;
        else if (const auto n = Currency::daTesto(testo))
            attr.kitRifRiga = n->decimillesimi() / Currency::Scala;
    } else if (tipo == u"aswspacces") {
        attr.tipoSpesa = testo.left(4).toUpper();
    } else if (tipo == u"aswcodiva") {
        attr.ivaSuggerita = testo;
    } else if (tipo == u"aswtratfis") {
        trattFiscAdg_ = testo;
        if (minuscolo == u"cd13")
            ivata_ = QStringLiteral("S");
    } else if (tipo == u"aswdestb2b") {
        ufficio_ = testo;
    } else if (tipo == u"aswtipodoc") {
        tipoDocAdg_ = testo;
    } else if (tipo == u"aswcardoc") {
        carDocAdg_ = testo;
    } else if (tipo == u"aswtipopag") {
        tipoPagAdg_ = testo;
    }
}

void LettoreFattura::completaLinea(RigaFattura& r, const AttributiRiga& attr,
                                   const std::optional<ArticoloTrovato>& articolo, const QString& natura) {
    // Descriptive line: nothing to post.
    QString tipoRiga = attr.tipoRiga;
    if (par_.rigaZeroDescrittiva && !attr.regolaDescrittivaSpenta && tipoRiga.isEmpty() &&
        vuotoOZero(r.valuta(QStringLiteral("Quantita"))) &&
        vuotoOZero(r.valuta(QStringLiteral("PrezzoUnitario"))) &&
        vuotoOZero(r.valuta(QStringLiteral("PrezzoTotale"))) &&
        vuotoOZero(r.valuta(QStringLiteral("AliquotaIVA"))))
        tipoRiga = QStringLiteral("DE");

    if (articolo)
        r.mettiTesto(QStringLiteral("Articolo"), articolo->articolo);

    CodiceConto conto;
    if (!attr.tipoSpesa.isEmpty())
        conto = risolutore_.contoSpesa(attr.tipoSpesa);
    if (conto.vuoto()) {
        const CodiceConto daArticolo = articolo ? articolo->contoAcquisto : CodiceConto{};
        const QString prior = fornitore_.contoPrior.isEmpty() ? par_.contoPrior : fornitore_.contoPrior;
        if (prior == u"A")
            conto = !daArticolo.vuoto() ? daArticolo : fornitore_.contropartita;
        else
            conto = !fornitore_.contropartita.vuoto() ? fornitore_.contropartita : daArticolo;
        if (conto.vuoto())
            conto = par_.contoAcquisti;
    }
    r.mettiTesto(QStringLiteral("GruppoCPartita"), conto.gruppo);
    r.mettiTesto(QStringLiteral("MastroCPartita"), conto.mastro);
    r.mettiTesto(QStringLiteral("ContoCPartita"), conto.conto);

    QString omaggio = attr.omaggio;
    if (omaggio.isEmpty())
        omaggio =
            r.testo(QStringLiteral("TipoCessionePrestazione")).trimmed() == u"AB" ? store::Si : store::No;
    r.mettiTesto(QStringLiteral("Omaggio"), omaggio);
    r.mettiTesto(QStringLiteral("TipoRiga"), tipoRiga);
    r.mettiTesto(QStringLiteral("KitPadreFiglio"), attr.kitPadreFiglio);
    r.metti(QStringLiteral("KitRifRiga"), attr.kitRifRiga ? QVariant(*attr.kitRifRiga) : QVariant());
    r.mettiTesto(QStringLiteral("SpesaTrasporto"), attr.tipoSpesa == u"SP03" ? store::Si : store::No);
    r.mettiTesto(QStringLiteral("SpesaBollo"), attr.tipoSpesa == u"SP02" ? store::Si : store::No);
    r.mettiTesto(QStringLiteral("SpesaIncasso"), attr.tipoSpesa == u"SP01" ? store::Si : store::No);

    // The group number is part of the line's VAT key; so are -999 / -998 of a simplified line.
    const QVariant segnoSemplificata = r.valore(QStringLiteral("NumIvaDoppia"));
    const qint64 numIvaDoppia = attr.numIvaDoppia
                                    ? *attr.numIvaDoppia
                                    : (segnoSemplificata.isNull() ? 0 : segnoSemplificata.toLongLong());
    if (tipoRiga != u"DE" && tipoRiga != u"ID") {
        std::optional<Currency> aliquota = r.valuta(QStringLiteral("AliquotaIVA"));
        if (numIvaDoppia == -999) {
            // The column holds the VAT amount: the rate is the one it implies, in whole percent.
            const auto totale = r.valuta(QStringLiteral("PrezzoTotale"));
            const Currency imposta = aliquota.value_or(Currency());
            aliquota = Currency();
            if (totale && !imposta.zero() && !(*totale - imposta).zero())
                aliquota = Currency::proporzione(imposta, Currency::daUnita(100), *totale - imposta, 0,
                                                 Arrotondamento::S);
        }
        r.mettiTesto(QStringLiteral("Iva"),
                     ivaPerChiave(aliquota, natura, numIvaDoppia, attr.ivaSuggerita).iva);
        // A simplified line with its rate alone has no group: its column stays Null.
        if (!semplificata_ || numIvaDoppia != 0)
            r.metti(QStringLiteral("NumIvaDoppia"), numIvaDoppia);
    }

    if (inverti_ && !attr.regolaDescrittivaSpenta) {
        if (r.valore(QStringLiteral("Quantita")).isNull())
            r.mettiValore(QStringLiteral("PrezzoUnitario"),
                          negato(r.valuta(QStringLiteral("PrezzoUnitario"))));
        else
            r.mettiValore(QStringLiteral("Quantita"), negato(r.valuta(QStringLiteral("Quantita"))));
        r.mettiValore(QStringLiteral("PrezzoTotale"), negato(r.valuta(QStringLiteral("PrezzoTotale"))));
        r.mettiValore(QStringLiteral("SM_Importo"), negato(r.valuta(QStringLiteral("SM_Importo"))));
    }
}

void LettoreFattura::leggiLinea(pugi::xml_node linea) {
    RigaFattura& r = out_->dettaglio.emplace_back();
    const qint64 rigDet = ++rigDett_;
    r.metti(store::XmlAnno, anno_);
    r.metti(store::XmlNumRif, numero_);
    r.metti(store::XmlRigDet, rigDet);

    AttributiRiga attr;
    std::optional<ArticoloTrovato> articolo;
    QString natura;
    QStringList percentuali;
    bool primoCodice = true;
    for (pugi::xml_node figlio : FigliElemento(linea)) {
        const QString n = nome(figlio);
        if (n == u"NumeroLinea") {
            const auto v = valoreNumeroSilenzioso(figlio);
            r.metti(n, v ? QVariant(QString::number(v->decimillesimi() / Currency::Scala)) : QVariant());
        } else if (n == u"CodiceArticolo") {
            const QString tipo = TestoFiglio(figlio, u"CodiceTipo");
            const QString valore = TestoFiglio(figlio, u"CodiceValore");
            if (primoCodice) {
                r.mettiTesto(QStringLiteral("CA_CodiceTipo"), tipo);
                r.mettiTesto(QStringLiteral("CA_CodiceValore"), valore);
                primoCodice = false;
            }
            scriviBlocco(figlio, BloccoCodiceArticolo, rigDet);
            if (!articolo)
                articolo = risolutore_.articolo(tipo.trimmed(), valore.trimmed(), fornitore_.conto);
        } else if (n == u"ScontoMaggiorazione") {
            r.mettiTesto(QStringLiteral("SM_Tipo"), TestoFiglio(figlio, u"Tipo"));
            if (pugi::xml_node imp = FiglioPerNome(figlio, u"Importo")) {
                // Silent here: the block's own row reports a bad amount once.
                r.mettiValore(QStringLiteral("SM_Importo"), valoreNumeroSilenzioso(imp));
                r.mettiTesto(QStringLiteral("SM_ImportoStr"), TestoElemento(imp).trimmed());
            }
            if (pugi::xml_node perc = FiglioPerNome(figlio, u"Percentuale"))
                if (const auto p = valoreNumeroSilenzioso(perc))
                    percentuali << percentualeCorta(*p);
            scriviBlocco(figlio, BloccoArtScontoMaggiorazione, rigDet);
        } else if (n == u"DataInizioPeriodo" || n == u"DataFinePeriodo")
            data(r, n, figlio, QStringLiteral("Det_") + n);
        else if (n == u"Quantita" || n == u"PrezzoUnitario" || n == u"PrezzoTotale" || n == u"AliquotaIVA") {
            importo(r, n, figlio, QStringLiteral("Det_") + n);
            if (n != u"AliquotaIVA")
                r.mettiTesto(n + QStringLiteral("Str"), TestoElemento(figlio).trimmed());
        } else if (n == u"AltriDatiGestionali")
            applicaAltriDati(scriviBlocco(figlio, BloccoAltriDatiGestionali, rigDet), attr);
        else if (n == u"Natura") {
            natura = ValoreTesto(figlio).trimmed();
            r.mettiTesto(n, natura);
        } else
            r.mettiTesto(n, ValoreTesto(figlio));
    }
    if (!percentuali.isEmpty())
        r.mettiTesto(QStringLiteral("SM_Percentuale"), percentuali.join(u'+'));
    completaLinea(r, attr, articolo, natura);
}

void LettoreFattura::leggiLineaSemplificata(pugi::xml_node blocco) {
    RigaFattura& r = out_->dettaglio.emplace_back();
    r.metti(store::XmlAnno, anno_);
    r.metti(store::XmlNumRif, numero_);
    r.metti(store::XmlRigDet, ++rigDett_);
    r.metti(QStringLiteral("Quantita"), QVariant::fromValue(Currency::daUnita(1)));
    r.mettiTesto(QStringLiteral("QuantitaStr"), QStringLiteral("1.00"));

    QString natura;
    AttributiRiga attr;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Importo") {
            const auto v = valoreImporto(figlio, QStringLiteral("Det_Importo"), errori_);
            const QString testo = TestoElemento(figlio).trimmed();
            r.mettiValore(QStringLiteral("PrezzoUnitario"), v);
            r.mettiValore(QStringLiteral("PrezzoTotale"), v);
            r.mettiTesto(QStringLiteral("PrezzoUnitarioStr"), testo);
            r.mettiTesto(QStringLiteral("PrezzoTotaleStr"), testo);
        } else if (n == u"DatiIVA") {
            const std::vector<pugi::xml_node> figli = FigliElemento(figlio);
            if (figli.empty())
                r.metti(QStringLiteral("NumIvaDoppia"), -999);
            else if (nome(figli[0]) == u"Imposta" && figli.size() == 1) {
                importo(r, QStringLiteral("AliquotaIVA"), figli[0], QStringLiteral("Det_Imposta"));
                r.metti(QStringLiteral("NumIvaDoppia"), -999);
            } else if (nome(figli[0]) == u"Imposta") {
                importo(r, QStringLiteral("AliquotaIVA"), figli[1], QStringLiteral("Det_") + nome(figli[1]));
                r.metti(QStringLiteral("NumIvaDoppia"), -998);
            } else
                importo(r, QStringLiteral("AliquotaIVA"), figli[0], QStringLiteral("Det_") + nome(figli[0]));
        } else if (n == u"Natura") {
            natura = ValoreTesto(figlio).trimmed();
            r.mettiTesto(n, natura);
        } else
            r.mettiTesto(n, ValoreTesto(figlio));
    }
    completaLinea(r, attr, std::nullopt, natura);
}

void LettoreFattura::leggiRiepilogo(pugi::xml_node riepilogo) {
    RigaFattura& r = out_->iva.emplace_back();
    r.metti(store::XmlAnno, anno_);
    r.metti(store::XmlNumRif, numero_);
    r.metti(store::XmlRigDet, ++rigIva_);
    QString natura;
    for (pugi::xml_node figlio : FigliElemento(riepilogo)) {
        const QString n = nome(figlio);
        if (n == u"AliquotaIVA" || n == u"SpeseAccessorie" || n == u"Arrotondamento" ||
            n == u"ImponibileImporto" || n == u"Imposta")
            importo(r, n, figlio, QStringLiteral("Iva-") + n);
        else {
            r.mettiTesto(n, ValoreTesto(figlio));
            if (n == u"Natura")
                natura = ValoreTesto(figlio).trimmed();
        }
    }
    const auto aliquota = r.valuta(QStringLiteral("AliquotaIVA"));
    const ChiaveIva* trovata = nullptr;
    for (const ChiaveIva& k : chiaviIva_)
        if (k.aliquota.value_or(Currency()) == aliquota.value_or(Currency()) && k.natura == natura &&
            k.numIvaDoppia >= 0) {
            trovata = &k;
            break;
        }
    if (!trovata)
        trovata = &ivaPerChiave(aliquota, natura, 0, {});
    r.mettiTesto(QStringLiteral("Iva"), trovata->iva);
    r.mettiTesto(QStringLiteral("AFEIvaEse"), trovata->afeIvaEse);
    r.metti(QStringLiteral("NumIvaDoppia"), trovata->numIvaDoppia);
    if (inverti_)
        for (const char* c : {"SpeseAccessorie", "Arrotondamento", "ImponibileImporto", "Imposta"})
            r.mettiValore(QLatin1String(c), negato(r.valuta(QLatin1String(c))));
}

// ---- Payments ----------------------------------------------------------------------------------------

void LettoreFattura::leggiPagamento(pugi::xml_node blocco) {
    const qint64 numCond = ++numCond_;
    const QString condizioni = TestoFiglio(blocco, u"CondizioniPagamento");
    const QString afeTipPag = tipoPagAdg_.isEmpty() ? fornitore_.afeTipPag : tipoPagAdg_;
    for (pugi::xml_node dettaglio : FigliElemento(blocco)) {
        if (nome(dettaglio) != u"DettaglioPagamento")
            continue;
        RigaFattura& r = out_->pagamenti.emplace_back();
        r.metti(store::XmlAnno, anno_);
        r.metti(store::XmlNumRif, numero_);
        r.metti(store::XmlRigDet, ++rigPag_);
        r.metti(store::NumCond, numCond);
        r.mettiTesto(QStringLiteral("CondizioniPagamento"), condizioni);
        QString modalita, abi, cab;
        for (pugi::xml_node figlio : FigliElemento(dettaglio)) {
            const QString n = nome(figlio);
            if (n == u"DataRiferimentoTerminiPagamento" || n == u"DataScadenzaPagamento" ||
                n == u"DataLimitePagamentoAnticipato" || n == u"DataDecorrenzaPenale")
                data(r, n, figlio, QStringLiteral("Pag_") + n);
            else if (n == u"GiorniTerminiPagamento") {
                const auto v = valoreNumeroSilenzioso(figlio);
                r.metti(n, v ? QVariant(static_cast<qlonglong>(v->decimillesimi() / Currency::Scala))
                             : QVariant());
            } else if (n == u"ImportoPagamento" || n == u"ScontoPagamentoAnticipato" ||
                       n == u"PenalitaPagamentiRitardati")
                importo(r, n, figlio, QStringLiteral("Pag_") + n);
            else {
                const QString v = ValoreTesto(figlio);
                r.mettiTesto(n, v);
                if (n == u"ModalitaPagamento")
                    modalita = v.trimmed();
                else if (n == u"ABI")
                    abi = v.trimmed();
                else if (n == u"CAB")
                    cab = v.trimmed();
            }
        }
        // The first detail that names a bank gives the header's bank.
        if (abi_.isEmpty() && cab_.isEmpty() && !abi.isEmpty() && !cab.isEmpty()) {
            abi_ = abi;
            cab_ = cab;
            modalita_ = modalita;
        } else if (modalita_.isEmpty() && abi_.isEmpty())
            modalita_ = modalita;
        r.mettiTesto(QStringLiteral("AFETipPag"), afeTipPag);
        r.mettiTesto(QStringLiteral("PagTipo"), risolutore_.pagTipo(modalita, afeTipPag));
        if (inverti_)
            r.mettiValore(QStringLiteral("ImportoPagamento"),
                          negato(r.valuta(QStringLiteral("ImportoPagamento"))));
    }
}

// ---- Header completion ----------------------------------------------------------------------------

void LettoreFattura::completaTestata() {
    RigaFattura& t = out_->testata;

    // Document series: 123/A and A/123 both give A.
    const QString numero = t.testo(QStringLiteral("DGD_Numero"));
    QString preDoc;
    if (numero.size() > 2 && (numero.at(numero.size() - 2) == u'/' || numero.at(numero.size() - 2) == u'\\'))
        preDoc = numero.right(1);
    else if (numero.size() > 1 && (numero.at(1) == u'/' || numero.at(1) == u'\\'))
        preDoc = numero.left(1);
    if (!preDoc.isEmpty())
        t.mettiTesto(QStringLiteral("PreDoc"), preDoc);

    bool reverseCharge = false;
    for (const RigaFattura& r : out_->iva)
        reverseCharge |= r.testo(QStringLiteral("Natura")).trimmed().startsWith(ReverseChargeNatura);
    for (const RigaFattura& r : out_->dettaglio)
        reverseCharge |= r.testo(QStringLiteral("Natura")).trimmed().startsWith(ReverseChargeNatura);
    if (const auto c =
            risolutore_.causale(opzioni_.causale, t.testo(QStringLiteral("DGD_TipoDocumento")).trimmed(),
                                reverseCharge, tipoDocAdg_, carDocAdg_, trattFiscAdg_)) {
        t.mettiTesto(QStringLiteral("Causale"), c->causale);
        t.mettiTesto(QStringLiteral("PreProt"), c->prefisso);
    }

    const QString divisa = t.testo(QStringLiteral("DGD_Divisa")).trimmed();
    if (!divisa.isEmpty())
        t.mettiTesto(QStringLiteral("Moneta"), risolutore_.moneta(divisa));

    QString banca;
    if (!abi_.isEmpty() && !cab_.isEmpty())
        banca = risolutore_.banca(abi_, cab_);
    else if (modalita_ == u"MP04" || modalita_ == u"MP05" || modalita_ == u"MP17")
        banca = fornitore_.banca;
    if (!banca.isEmpty())
        t.mettiTesto(QStringLiteral("Banca"), banca);

    if (!fornitore_.pagamento.isEmpty())
        t.mettiTesto(QStringLiteral("Pagamento"), fornitore_.pagamento);
    if (!ufficio_.isEmpty())
        t.mettiTesto(QStringLiteral("Ufficio"), ufficio_);
    if (!ivata_.isEmpty())
        t.mettiTesto(QStringLiteral("Ivata"), ivata_);
    if (contoCassa_) {
        t.mettiTesto(QStringLiteral("GruppoCassaPrev"), contoCassa_->gruppo);
        t.mettiTesto(QStringLiteral("MastroCassaPrev"), contoCassa_->mastro);
        t.mettiTesto(QStringLiteral("ContoCassaPrev"), contoCassa_->conto);
    }
}

} // namespace tesel
