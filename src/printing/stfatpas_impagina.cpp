// The page of one received invoice: header, line rows and page breaks.

#include "printing/stfatpas_impagina.h"

#include "frame/codiceconto.h"
#include "frame/data.h"

namespace tesel::stampa {

namespace {

// The frame's width and the header rows.
constexpr double Larghezza = 196;
constexpr double YDocumento = 76.5;    // labels of the document row
constexpr double YPagamento = 84.5;    // labels of the payment row
constexpr double YIntestazione = 93.5; // column headings of the line table
constexpr double YCorpo = 98.5;        // first line row
constexpr double Valore = 3.3;         // a value's row below its label

// Column rules of the line table.
constexpr double ColonneRighe[] = {25, 90, 99, 121, 146, 164, 188};

QString unisci(const QStringList& parti, QChar separatore = u' ') {
    QStringList p;
    for (const QString& x : parti)
        if (!x.trimmed().isEmpty())
            p << x.trimmed();
    return p.join(separatore);
}

QString testoData(const std::optional<QDate>& d) {
    return d && d->isValid() ? tesel::testoData(*d) : QString();
}

bool zeroOVuoto(const std::optional<Currency>& c) {
    return !c || c->zero();
}

// A rate without decimals it does not need: 22 -> "22", 5.5 -> "5,5".
QString aliquotaBreve(Currency c) {
    QString t = formatta(c, u"0.0000");
    while (t.endsWith(u'0'))
        t.chop(1);
    if (t.endsWith(u','))
        t.chop(1);
    return t;
}

} // namespace

StFatPas::Impaginatore::Impaginatore(StFatPas& stampa, LumoStampe& s, const FatturaInStampa& f)
    : st_(stampa), s_(s), f_(f) {
    altezza_ = s_.altezzaStampabile();
    // A longer sheet gives the lines more room; the footer keeps its height.
    fondoCorpo_ = std::max(YCorpo + 20, altezza_ - 63);
}

void StFatPas::StampaDoc(LumoStampe& s, const FatturaInStampa& f) {
    Impaginatore(*this, s, f).stampa();
}

void StFatPas::Impaginatore::FatPasFont(const QString& stile) {
    s_.selezionaStile(stile);
}

void StFatPas::Impaginatore::FatPasStCampo(double x, double y, double larghezza, const QString& testo,
                                           Allineamento a, bool enfasi) {
    if (!testo.isEmpty())
        s_.testo(x, y, larghezza, testo, a, enfasi);
}

double StFatPas::Impaginatore::FatPasStMemo(double x, double y, double larghezza, const QString& testo) {
    if (testo.trimmed().isEmpty())
        return 0;
    return s_.testoMultiriga(x, y, larghezza, testo);
}

void StFatPas::Impaginatore::FP_StampaLinea(double x1, double y1, double x2, double y2, double spessore) {
    s_.riga(x1, y1, x2, y2, spessore);
}

void StFatPas::Impaginatore::etichetta(double x, double y, double larghezza, const QString& testo,
                                       Allineamento a) {
    for (const QString& stile : {QStringLiteral("CorpoLabComp"), QStringLiteral("CorpoLabStretta")}) {
        FatPasFont(stile);
        if (s_.larghezzaTesto(testo) <= larghezza)
            return FatPasStCampo(x, y, larghezza, testo, a);
    }
    FatPasFont(QStringLiteral("CorpoLabMinima"));
    FatPasStCampo(x, y, larghezza, testo, a);
}

std::optional<Currency> StFatPas::Impaginatore::impostaSemplificata(const RigaStore& r) const {
    const auto aliquota = r.valuta(u"AliquotaIVA");
    if (r.intero(u"NumIvaDoppia").value_or(0) == -999)
        return aliquota;
    if (!aliquota || aliquota->zero())
        return std::nullopt;
    const Currency totale = r.valuta(u"PrezzoTotale").value_or(Currency());
    return Currency::proporzione(totale, *aliquota, *aliquota + Currency::daUnita(100), 2, Arrotondamento::A);
}

void StFatPas::Impaginatore::stampa() {
    preparaPiede();
    StampaTestata();
    for (const RigaStore& r : f_.righe)
        StampaDettaglio(r);
    stampaSeguito(QStringLiteral("RIEPILOGO IVA (seguito)"), [&] {
        QStringList t;
        for (const RigaRiepilogo& r : riepilogoSeguito_)
            t << unisci({r.codice, r.aliquota, QStringLiteral("imponibile"), r.imponibile,
                         QStringLiteral("iva"), r.imposta}) +
                     (r.nota.isEmpty() ? QString() : QStringLiteral(" - ") + r.nota.join(u' '));
        return t;
    }());
    stampaSeguito(QStringLiteral("ANNOTAZIONI - VARIAZIONI (seguito)"), annotazioniSeguito_);
    StPiede(true);
}

// ---- Header ---------------------------------------------------------------------------------------

void StFatPas::Impaginatore::StampaTestata() {
    stampaFornitore();
    // The document's kind, beside the supplier.
    FatPasFont(QStringLiteral("TestaTitolo"));
    const QString tipo = f_.testata.testo(u"DGD_TipoDocumento").trimmed();
    QString titolo = st_.decodifica(QStringLiteral("FETipDoc"), tipo);
    if (titolo.isEmpty())
        titolo = tipo.isEmpty() ? QStringLiteral("Documento") : tipo;
    const double h = FatPasStMemo(95, 3, Larghezza - 95, titolo);
    FatPasFont(QStringLiteral("CorpoCampo"));
    QString sotto = QStringLiteral("Tipo documento ") + tipo;
    const QString divisa = f_.testata.testo(u"DGD_Divisa").trimmed();
    if (!divisa.isEmpty() && divisa.compare(QStringLiteral("EUR"), Qt::CaseInsensitive) != 0)
        sotto += QStringLiteral(" - Divisa ") + divisa;
    sotto += QStringLiteral(" - Rif. archivio ") +
             QString::number(f_.testata.intero(u"XmlAnno").value_or(0)) + u'/' +
             QString::number(f_.testata.intero(u"XmlNumRif").value_or(0));
    FatPasStCampo(95, 3 + h + 0.5, Larghezza - 95, sotto);
    stampaCliente();
    stampaRigaDocumento();
    stampaRigaPagamento();
    stampaIntestazioniRighe();
    y_ = YCorpo;
}

void StFatPas::Impaginatore::stampaFornitore() {
    const RigaStore& t = f_.testata;
    const double x = 10, w = 83;
    QString nome = t.testo(u"CP_DA_Anagrafica_Denominazione").trimmed();
    if (nome.isEmpty())
        nome = unisci({t.testo(u"CP_DA_Anagrafica_Titolo"), t.testo(u"CP_DA_Anagrafica_Nome"),
                       t.testo(u"CP_DA_Anagrafica_Cognome")});
    FatPasFont(QStringLiteral("TestaTitolo"));
    double y = 3 + FatPasStMemo(x, 3, w, nome) + 0.5;

    QStringList righe;
    righe << unisci({t.testo(u"CP_Sede_Indirizzo"), t.testo(u"CP_Sede_NumeroCivico")});
    QString luogo = unisci({t.testo(u"CP_Sede_CAP"), t.testo(u"CP_Sede_Comune")});
    if (!t.testo(u"CP_Sede_Provincia").trimmed().isEmpty())
        luogo += QStringLiteral(" (") + t.testo(u"CP_Sede_Provincia").trimmed() + u')';
    const QString nazione = t.testo(u"CP_Sede_Nazione").trimmed();
    if (!nazione.isEmpty() && nazione != u"IT")
        luogo += QStringLiteral(" - ") + nazione;
    righe << luogo.trimmed();
    QString contatti;
    if (!t.testo(u"CP_Contatti_Telefono").trimmed().isEmpty())
        contatti = QStringLiteral("Tel. ") + t.testo(u"CP_Contatti_Telefono").trimmed();
    if (!t.testo(u"CP_Contatti_Fax").trimmed().isEmpty())
        contatti += QStringLiteral(" Fax ") + t.testo(u"CP_Contatti_Fax").trimmed();
    righe << contatti.trimmed();
    const QString codice = t.testo(u"CP_DA_IdFiscaleIVA_IdCodice").trimmed();
    const QString piva = t.testo(u"CP_DA_IdFiscaleIVA_IdPaese").trimmed() + codice;
    const QString cf = t.testo(u"CP_DA_CodiceFiscale").trimmed();
    if (!codice.isEmpty() && cf == codice)
        righe << QStringLiteral("C. F. e P.IVA ") + codice;
    else
        righe << unisci({codice.isEmpty() ? QString() : QStringLiteral("P.IVA ") + piva,
                         cf.isEmpty() ? QString() : QStringLiteral("C.F. ") + cf},
                        u' ');
    QString rea;
    if (!t.testo(u"CP_REA_NumeroREA").trimmed().isEmpty())
        rea = t.testo(u"CP_REA_NumeroREA").trimmed() + QStringLiteral(" R.E.A. ") +
              t.testo(u"CP_REA_Ufficio").trimmed();
    if (const auto capitale = t.valuta(u"CP_REA_CapitaleSociale"); capitale && !capitale->zero())
        rea += QStringLiteral(" - Cap. Soc. ") + formatta(*capitale, u"#,##0.00");
    righe << rea.trimmed();
    if (!t.testo(u"CP_Contatti_Email").trimmed().isEmpty())
        righe << QStringLiteral("email: ") + t.testo(u"CP_Contatti_Email").trimmed();
    QString stato;
    if (t.testo(u"CP_REA_SocioUnico").trimmed().toUpper() == u"SU")
        stato = QStringLiteral("Socio Unico");
    if (t.testo(u"CP_REA_StatoLiquidazione").trimmed().toUpper() == u"LS")
        stato += QStringLiteral(" In Liquidazione");
    righe << stato.trimmed();
    if (!t.testo(u"CP_RiferimentoAmministrazione").trimmed().isEmpty())
        righe << QStringLiteral("Rif. amministrazione: ") +
                     t.testo(u"CP_RiferimentoAmministrazione").trimmed();

    FatPasFont(QStringLiteral("TestaAzienda"));
    const double passo = s_.altezzaRiga();
    for (const QString& r : righe) {
        if (r.isEmpty() || y + passo > YDocumento - 2)
            continue;
        FatPasStCampo(x, y, w, r);
        y += passo;
    }
}

void StFatPas::Impaginatore::stampaCliente() {
    const RigaStore& t = f_.testata;
    const double x = 108, w = Larghezza - x - 2, alto = 38, basso = 72;
    FP_StampaLinea(106, alto, Larghezza, alto);
    FP_StampaLinea(106, basso, Larghezza, basso);
    FP_StampaLinea(106, alto, 106, basso);
    FP_StampaLinea(Larghezza, alto, Larghezza, basso);
    FatPasFont(QStringLiteral("CorpoLab"));
    FatPasStCampo(x, alto + 1.5, w, QStringLiteral("SPETT.LE"));
    QString nome = t.testo(u"CC_DA_Anagrafica_Denominazione").trimmed();
    if (nome.isEmpty())
        nome = unisci({t.testo(u"CC_DA_Anagrafica_Titolo"), t.testo(u"CC_DA_Anagrafica_Nome"),
                       t.testo(u"CC_DA_Anagrafica_Cognome")});
    FatPasFont(QStringLiteral("TestaData"));
    double y = alto + 6;
    y += std::min(FatPasStMemo(x, y, w, nome), 9.0) + 0.5;
    FatPasFont(QStringLiteral("TestaAzienda"));
    QString luogo = unisci({t.testo(u"CC_Sede_CAP"), t.testo(u"CC_Sede_Comune")});
    if (!t.testo(u"CC_Sede_Provincia").trimmed().isEmpty())
        luogo += QStringLiteral(" (") + t.testo(u"CC_Sede_Provincia").trimmed() + u')';
    for (const QString& r : {unisci({t.testo(u"CC_Sede_Indirizzo"), t.testo(u"CC_Sede_NumeroCivico")}),
                             luogo.trimmed(), t.testo(u"Ufficio").trimmed()}) {
        if (r.isEmpty() || y + s_.altezzaRiga() > basso - 0.5)
            continue;
        FatPasStCampo(x, y, w, r);
        y += s_.altezzaRiga();
    }
}

void StFatPas::Impaginatore::stampaRigaDocumento() {
    const RigaStore& t = f_.testata;
    const double alto = YDocumento - 1, basso = YPagamento - 1;
    FP_StampaLinea(0, alto, Larghezza, alto);
    for (double x : {0.0, 23.0, 49.0, 88.0, 113.0, 157.0, 178.0, Larghezza})
        FP_StampaLinea(x, alto, x, basso);
    FatPasFont(QStringLiteral("CorpoLabComp"));
    etichetta(2, YDocumento, 20, QStringLiteral("DATA RICEZIONE"));
    etichetta(25, YDocumento, 23, QStringLiteral("PARTITA IVA CLIENTE"));
    etichetta(51, YDocumento, 36, QStringLiteral("COD. FISCALE CLIENTE"));
    etichetta(90, YDocumento, 22, QStringLiteral("CODICE CLIENTE"));
    etichetta(115, YDocumento, 41, QStringLiteral("NR. FATTURA"));
    etichetta(159, YDocumento, 18, QStringLiteral("DATA FATTURA"));
    etichetta(180, YDocumento, 15, QStringLiteral("NR. PAGINA"));
    FatPasFont(QStringLiteral("CorpoCampo"));
    const double y = YDocumento + Valore;
    FatPasStCampo(2, y, 20, testoData(t.data(u"DataRicSdi")));
    FatPasStCampo(25, y, 23, t.testo(u"CC_DA_IdFiscaleIVA_IdCodice").trimmed());
    FatPasStCampo(51, y, 36, t.testo(u"CC_DA_CodiceFiscale").trimmed());
    FatPasStCampo(90, y, 22,
                  CodiceConto(t.testo(u"GruppoFor"), t.testo(u"MastroFor"), t.testo(u"ContoFor")).testo());
    FatPasStCampo(115, y, 41, t.testo(u"DGD_Numero").trimmed(), Allineamento::Sinistra, true);
    FatPasStCampo(159, y, 18, testoData(t.data(u"DGD_Data")), Allineamento::Sinistra, true);
    FatPasStCampo(180, y, 15, formattaIntero(s_.paginaDocumento(), u"000"), Allineamento::Centro);
}

void StFatPas::Impaginatore::stampaRigaPagamento() {
    const double alto = YPagamento - 1, basso = YIntestazione - 1;
    FP_StampaLinea(0, alto, Larghezza, alto);
    for (double x : {0.0, 16.0, 88.0, Larghezza})
        FP_StampaLinea(x, alto, x, basso);
    FatPasFont(QStringLiteral("CorpoLabComp"));
    etichetta(2, YPagamento, 13, QStringLiteral("C. PAG."));
    etichetta(18, YPagamento, 60, QStringLiteral("DESCRIZIONE PAGAMENTO"));
    etichetta(90, YPagamento, 60, QStringLiteral("BANCA D'APPOGGIO"));
    QString codice, descrizione, banca;
    if (const auto adg = LeggiADG(-1, QStringLiteral("ASWTIPOPAG"))) {
        codice = descrizione = adg->testo(u"ADG_RiferimentoTesto").trimmed();
    } else if (!f_.pagamenti.empty()) {
        codice = f_.pagamenti.front().testo(u"ModalitaPagamento").trimmed();
        descrizione = st_.decodifica(QStringLiteral("FEModPag"), codice);
    }
    for (const RigaStore& p : f_.pagamenti)
        if (banca.isEmpty())
            banca = p.testo(u"IstitutoFinanziario").trimmed();
    FatPasFont(QStringLiteral("CorpoCampo"));
    const double y = YPagamento + Valore;
    FatPasStCampo(2, y, 13, codice);
    FatPasStCampo(18, y, 69, descrizione);
    FatPasStCampo(90, y, Larghezza - 91, banca);
}

void StFatPas::Impaginatore::stampaIntestazioniRighe() {
    const double alto = YIntestazione - 1, basso = YCorpo - 1;
    FP_StampaLinea(0, alto, Larghezza, alto);
    FP_StampaLinea(0, basso, Larghezza, basso);
    for (double x : ColonneRighe)
        FP_StampaLinea(x, alto, x, fondoCorpo_);
    FP_StampaLinea(0, alto, 0, fondoCorpo_);
    FP_StampaLinea(Larghezza, alto, Larghezza, fondoCorpo_);
    FatPasFont(QStringLiteral("CorpoLabComp"));
    etichetta(1, YIntestazione, 23, QStringLiteral("COD. ARTICOLO"));
    etichetta(26, YIntestazione, 63, QStringLiteral("DESCRIZIONE (NATURA E QUALITA)"));
    etichetta(91, YIntestazione, 7, QStringLiteral("U.M."));
    etichetta(100, YIntestazione, 20, QStringLiteral("QUANTITA'"), Allineamento::Destra);
    etichetta(122, YIntestazione, 23,
              f_.semplificata ? QStringLiteral("IMPORTO") : QStringLiteral("PREZZO UN."),
              Allineamento::Destra);
    etichetta(147, YIntestazione, 16, QStringLiteral("% SC."), Allineamento::Destra);
    etichetta(165, YIntestazione, 22, f_.semplificata ? QStringLiteral("IMPOSTA") : QStringLiteral("IMPORTO"),
              Allineamento::Destra);
    etichetta(189, YIntestazione, 6, QStringLiteral("% IVA"));
}

// ---- Body ------------------------------------------------------------------------------------------

void StFatPas::Impaginatore::ctrRiga(double h) {
    if (y_ + h <= fondoCorpo_ - 0.5)
        return;
    StPiede(false);
    s_.nuovaPagina();
    StampaTestata();
}

void StFatPas::Impaginatore::StampaDettaglio(const RigaStore& r) {
    const DecimaliRighe& d = f_.decimali;
    const auto figura = [](const RigaStore& r, QAnyStringView testo, QAnyStringView numero, int decimali) {
        const QString t = r.testo(testo).trimmed();
        if (!t.isEmpty())
            return XmlAllinStr(t, decimali);
        const auto v = r.valuta(numero);
        return v ? formatta(*v, u"#,###.^^") : QString();
    };
    const bool descrittiva =
        r.testo(u"TipoRiga").trimmed().toUpper() == u"DE" ||
        (st_.opzioni.rigaZeroDescr && zeroOVuoto(r.valuta(u"Quantita")) &&
         zeroOVuoto(r.valuta(u"PrezzoUnitario")) && zeroOVuoto(r.valuta(u"PrezzoTotale")));

    FatPasFont(QStringLiteral("CorpoCampo"));
    const double passo = s_.altezzaRiga();
    QStringList descrizione = s_.spezzaRighe(63, r.testo(u"Descrizione").trimmed());
    if (descrizione.isEmpty())
        descrizione << QString();
    ctrRiga(passo);
    FatPasFont(QStringLiteral("CorpoCampo")); // a new page's header leaves its own
    const double yRiga = y_;
    FatPasStCampo(1, yRiga, 23, r.testo(u"CA_CodiceValore").trimmed());
    if (!descrittiva) {
        FatPasStCampo(91, yRiga, 7, r.testo(u"UnitaMisura").trimmed());
        FatPasStCampo(100, yRiga, 20, figura(r, u"QuantitaStr", u"Quantita", d.quantita),
                      Allineamento::Destra);
        const int numIva = static_cast<int>(r.intero(u"NumIvaDoppia").value_or(0));
        const auto aliquota = r.valuta(u"AliquotaIVA");
        const QString natura = r.testo(u"Natura").trimmed();
        QString ultima = natura;
        if (f_.semplificata) {
            // The amount under "IMPORTO", the tax under "IMPOSTA".
            FatPasStCampo(122, yRiga, 23, figura(r, u"PrezzoTotaleStr", u"PrezzoTotale", d.totale),
                          Allineamento::Destra);
            const std::optional<Currency> imposta = impostaSemplificata(r);
            if (numIva != -999 && natura.isEmpty() && aliquota && !aliquota->zero())
                ultima = aliquotaBreve(*aliquota);
            if (imposta)
                FatPasStCampo(165, yRiga, 22, formatta(*imposta, u"#,##0.00"), Allineamento::Destra);
        } else {
            FatPasStCampo(122, yRiga, 23, figura(r, u"PrezzoUnitarioStr", u"PrezzoUnitario", d.prezzo),
                          Allineamento::Destra);
            FatPasStCampo(165, yRiga, 22, figura(r, u"PrezzoTotaleStr", u"PrezzoTotale", d.totale),
                          Allineamento::Destra);
            if (natura.isEmpty() && aliquota)
                ultima = aliquotaBreve(*aliquota);
        }
        QString sconto;
        if (const auto perc = r.valuta(u"SM_Percentuale"); perc && !perc->zero())
            sconto = formatta(*perc, u"#,###.^^");
        else if (!r.testo(u"SM_ImportoStr").trimmed().isEmpty())
            sconto = XmlAllinStr(r.testo(u"SM_ImportoStr"), d.sconto);
        if (!sconto.isEmpty() && r.testo(u"SM_Tipo").trimmed().toUpper() == u"MG")
            sconto = u'+' + sconto;
        FatPasStCampo(147, yRiga, 16, sconto, Allineamento::Destra);
        FatPasFont(QStringLiteral("CorpoCampoComp"));
        FatPasStCampo(189, yRiga + 0.3, 7, ultima);
        FatPasFont(QStringLiteral("CorpoCampo"));
    }
    // The description, continued on the next page when it is longer than the room left.
    qsizetype fatte = 0;
    while (fatte < descrizione.size()) {
        if (fatte > 0)
            ctrRiga(passo);
        FatPasFont(QStringLiteral("CorpoCampo"));
        const qsizetype stanno =
            std::max<qsizetype>(1, static_cast<qsizetype>((fondoCorpo_ - 0.5 - y_) / passo + 1e-6));
        const qsizetype n = std::min(stanno, descrizione.size() - fatte);
        FatPasStMemo(26, y_, 63, descrizione.mid(fatte, n).join(u'\n'));
        y_ += n * passo;
        fatte += n;
    }

    const QStringList altri = StampaAltriDati(r);
    if (altri.isEmpty())
        return;
    FatPasFont(QStringLiteral("CorpoCampoComp"));
    const double passoAltri = s_.altezzaRiga();
    for (const QString& a : spezza(QStringLiteral("CorpoCampoComp"), 63, altri)) {
        ctrRiga(passoAltri);
        FatPasFont(QStringLiteral("CorpoCampoComp"));
        FatPasStCampo(26, y_, 63, a);
        y_ += passoAltri;
    }
}

QStringList StFatPas::Impaginatore::StampaAltriDati(const RigaStore& r) {
    QStringList t;
    const auto inizio = r.data(u"DataInizioPeriodo"), fine = r.data(u"DataFinePeriodo");
    if (inizio || fine)
        t << unisci({QStringLiteral("Periodo"),
                     inizio ? QStringLiteral("dal ") + testoData(inizio) : QString(),
                     fine ? QStringLiteral("al ") + testoData(fine) : QString()});
    const qint64 riga = r.intero(u"XmlRigDet").value_or(-1);
    for (const RigaStore& g : f_.datiGen) {
        if (g.testo(u"XMLIdent") != u"AltriDatiGestionali" || g.intero(u"XmlRigDet").value_or(-2) != riga)
            continue;
        const QString tipo = g.testo(u"ADG_TipoDato").trimmed();
        const QString k = tipo.toLower();
        if (k == u"cassa-prev" || k == u"cassaprev")
            continue;
        const QString testo = g.testo(u"ADG_RiferimentoTesto").trimmed();
        const auto numero = g.valuta(u"ADG_RiferimentoNumero");
        const QString num = numero ? formatta(*numero, u"#,###.^^") : QString();
        const QString data = testoData(g.data(u"ADG_RiferimentoData"));
        if (k == u"aswspsanit")
            t << QStringLiteral("Spese sanitarie: ") + testo;
        else if (k == u"aswlottsca")
            t << unisci({QStringLiteral("Lotto: ") + (testo.isEmpty() ? num : testo),
                         data.isEmpty() ? QString() : QStringLiteral("Data scadenza: ") + data});
        else if (k == u"aswprlordo")
            t << QStringLiteral("Prezzo lordo: ") + (num.isEmpty() ? testo : num);
        else if (k == u"aswtratsco")
            t << QStringLiteral("Sconti di testata: ") + unisci({testo, num});
        else if (k == u"aswtipopag")
            t << QStringLiteral("Scadenza: ") + unisci({testo, data});
        else if (k == u"aswrifriga")
            t << unisci({QStringLiteral("RIGA SCONTO"), testo, num});
        else if (k == u"aswsconmag" || k == u"aswtriga" || k == u"aswcodiva" || k == u"aswrelstd" ||
                 k == u"aswswhouse")
            t << unisci({testo, num, data});
        else
            t << tipo + QStringLiteral(": ") + unisci({testo, num, data});
    }
    return t;
}

void StFatPas::Impaginatore::stampaSeguito(const QString& titolo, const QStringList& righe) {
    if (righe.isEmpty())
        return;
    FatPasFont(QStringLiteral("CorpoLabComp"));
    ctrRiga(s_.altezzaRiga() * 2 + 1);
    y_ += 1;
    etichetta(26, y_, 63, titolo);
    y_ += s_.altezzaRiga();
    FatPasFont(QStringLiteral("CorpoCampoComp"));
    for (const QString& r : spezza(QStringLiteral("CorpoCampoComp"), 63, righe)) {
        ctrRiga(s_.altezzaRiga());
        FatPasFont(QStringLiteral("CorpoCampoComp"));
        FatPasStCampo(26, y_, 63, r);
        y_ += s_.altezzaRiga();
    }
}

QStringList StFatPas::Impaginatore::spezza(const QString& stile, double larghezza, const QStringList& testi) {
    FatPasFont(stile);
    QStringList r;
    for (const QString& t : testi)
        r << s_.spezzaRighe(larghezza, t);
    return r;
}

std::optional<RigaStore> StFatPas::Impaginatore::LeggiADG(int xmlRigDet, const QString& tipo) const {
    for (const RigaStore& g : f_.datiGen)
        if (g.testo(u"XMLIdent") == u"AltriDatiGestionali" &&
            (xmlRigDet < 0 || g.intero(u"XmlRigDet").value_or(-2) == xmlRigDet) &&
            g.testo(u"ADG_TipoDato").trimmed().compare(tipo, Qt::CaseInsensitive) == 0)
            return g;
    return std::nullopt;
}

} // namespace tesel::stampa
