// The footer of a received invoice's page: expense boxes, VAT summary, annotations (causal,
// document references, payments, pension fund, withholding) and totals; "SEGUE" on every page
// but the invoice's last.

#include "printing/stfatpas_impagina.h"

#include "frame/data.h"

#include <algorithm>

namespace tesel::stampa {

namespace {

constexpr double Larghezza = 196;
constexpr double Valore = 3.3;
constexpr double XAnnotazioni = 106;             // the annotations box's left edge
constexpr double LarghezzaTestoAnnotazioni = 88; // its text
constexpr double ColonneTotali[] = {41, 61, 106, 134, 166};
constexpr double ColonneSpese[] = {41, 82, 122, 150};

const QString SeparatoreCausale = QStringLiteral("§çé^?");

QString importo(const std::optional<Currency>& c) {
    return c ? formatta(*c, u"#,##0.00") : QString();
}

QString percento(const std::optional<Currency>& c) {
    return c ? formatta(*c, u"0.00") + u'%' : QString();
}

QString unisci(const QStringList& parti) {
    QStringList p;
    for (const QString& x : parti)
        if (!x.trimmed().isEmpty())
            p << x.trimmed();
    return p.join(u' ');
}

QString data(const std::optional<QDate>& d) {
    return d && d->isValid() ? testoData(*d) : QString();
}

bool si(const QString& flag) {
    return flag.trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- What the footer shows --------------------------------------------------------------------

void StFatPas::Impaginatore::preparaPiede() {
    Currency impostaRighe, totaleRighe;
    for (const RigaStore& r : f_.righe) {
        const Currency v = r.valuta(u"PrezzoTotale").value_or(Currency());
        totaleRighe += v;
        if (si(r.testo(u"SpesaTrasporto")))
            trasporto_ += v;
        else if (si(r.testo(u"SpesaIncasso")))
            incasso_ += v;
        else if (si(r.testo(u"SpesaBollo")))
            varie_ += v;
        else if (r.testo(u"TipoCessionePrestazione").trimmed().toUpper() == u"AC")
            speseAccessorie_ += v;
        else
            merce_ += v;
        if (f_.semplificata)
            impostaRighe += impostaSemplificata(r).value_or(Currency());
    }
    for (const RigaStore& v : f_.iva) {
        const Currency base = v.valuta(u"ImponibileImporto").value_or(Currency()) +
                              v.valuta(u"SpeseAccessorie").value_or(Currency());
        (v.testo(u"Natura").trimmed().isEmpty() ? imponibile_ : esente_) += base;
        imposta_ += v.valuta(u"Imposta").value_or(Currency());
    }
    // A simplified invoice may carry no summary: its lines hold amounts with the tax inside.
    if (f_.iva.empty() && f_.semplificata) {
        imposta_ = impostaRighe;
        imponibile_ = totaleRighe - impostaRighe;
    }

    // The VAT summary's rows, as many as fit in its box; the rest follow the lines.
    const double alto = fondoCorpo_ + 8.5, basso = altezza_ - 19;
    std::vector<RigaRiepilogo> righe = StampaIvaDet();
    FatPasFont(QStringLiteral("CorpoCampo"));
    const double passo = s_.altezzaRiga();
    FatPasFont(QStringLiteral("CorpoCampoComp"));
    const double passoNota = s_.altezzaRiga();
    double tutte = alto + 4.5;
    for (const RigaRiepilogo& r : righe)
        tutte += passo + r.nota.size() * passoNota;
    // When some rows must follow the lines, the box keeps its last line to say so.
    const double limite = tutte <= basso - 0.5 ? basso - 0.5 : basso - 0.5 - passoNota;
    double y = alto + 4.5;
    for (RigaRiepilogo& r : righe) {
        const double h = passo + r.nota.size() * passoNota;
        if (riepilogoSeguito_.empty() && y + h <= limite) {
            riepilogo_.push_back(std::move(r));
            y += h;
        } else {
            riepilogoSeguito_.push_back(std::move(r));
        }
    }

    QStringList testi = StCausale();
    testi << riferimentiDocumento() << StPagamenti() << StCassaPrevid() << StRitAcconto();
    const QStringList righeAnnotazioni =
        spezza(QStringLiteral("CorpoCampoComp"), LarghezzaTestoAnnotazioni, testi);
    auto stanno = static_cast<qsizetype>((basso - 0.5 - (alto + 4.5)) / passoNota + 1e-6);
    if (righeAnnotazioni.size() > stanno)
        --stanno; // the last line says where the rest is
    annotazioni_ = righeAnnotazioni.mid(0, stanno);
    annotazioniSeguito_ = righeAnnotazioni.mid(stanno);
}

std::vector<RigaRiepilogo> StFatPas::Impaginatore::StampaIvaDet() {
    std::vector<RigaRiepilogo> v;
    if (f_.iva.empty() && f_.semplificata) {
        // Without a summary the lines give one, by rate (or nature) in the order met.
        struct Gruppo {
            QString chiave;
            Currency base, imposta;
        };
        std::vector<Gruppo> gruppi;
        for (const RigaStore& r : f_.righe) {
            const auto imposta = impostaSemplificata(r);
            const auto aliquota = r.valuta(u"AliquotaIVA");
            QString chiave = r.testo(u"Natura").trimmed();
            if (chiave.isEmpty() && r.intero(u"NumIvaDoppia").value_or(0) != -999 && aliquota)
                chiave = percento(aliquota);
            const Currency totale = r.valuta(u"PrezzoTotale").value_or(Currency());
            auto g = std::find_if(gruppi.begin(), gruppi.end(),
                                  [&](const Gruppo& x) { return x.chiave == chiave; });
            if (g == gruppi.end())
                g = gruppi.insert(gruppi.end(), Gruppo{chiave, {}, {}});
            g->base += totale - imposta.value_or(Currency());
            g->imposta += imposta.value_or(Currency());
        }
        for (const Gruppo& g : gruppi)
            v.push_back({{}, g.chiave, importo(g.base), importo(g.imposta), {}});
        return v;
    }
    for (const RigaStore& i : f_.iva) {
        RigaRiepilogo r;
        r.codice = i.testo(u"Iva").trimmed();
        const QString natura = i.testo(u"Natura").trimmed();
        QString esigibilita;
        const QString e = i.testo(u"EsigibilitaIVA").trimmed().toUpper();
        if (e == u"I")
            esigibilita = QStringLiteral(" (Imm)");
        else if (e == u"D")
            esigibilita = QStringLiteral(" (Dif)");
        else if (e == u"S")
            esigibilita = QStringLiteral(" (Split)");
        r.aliquota = (natura.isEmpty() ? percento(i.valuta(u"AliquotaIVA")) : natura) + esigibilita;
        const Currency base = i.valuta(u"ImponibileImporto").value_or(Currency()) +
                              i.valuta(u"SpeseAccessorie").value_or(Currency());
        r.imponibile = importo(base);
        r.imposta = importo(i.valuta(u"Imposta"));
        if (!natura.isEmpty()) {
            QString tipo = st_.decodifica(QStringLiteral("AFEIvaEse"), i.testo(u"AFEIvaEse"));
            if (tipo.isEmpty())
                tipo = st_.decodifica(QStringLiteral("FENatura"), natura);
            r.nota = spezza(QStringLiteral("CorpoCampoComp"), XAnnotazioni - 3,
                            {unisci({natura, tipo, i.testo(u"RiferimentoNormativo")})});
        }
        v.push_back(std::move(r));
    }
    return v;
}

QStringList StFatPas::Impaginatore::StCausale() {
    const QString c = f_.testata.testo(u"DGD_Causale").trimmed();
    if (c.isEmpty())
        return {};
    QStringList righe;
    for (const QString& r : c.split(SeparatoreCausale))
        if (!r.trimmed().isEmpty())
            righe << r.trimmed();
    return righe;
}

// The orders, contracts, delivery notes and linked invoices the document names.
QStringList StFatPas::Impaginatore::riferimentiDocumento() {
    QStringList t;
    for (const RigaStore& g : f_.datiGen) {
        const QString id = g.testo(u"XMLIdent");
        if (id == u"DatiDDT") {
            t << unisci({QStringLiteral("DDT n."), g.testo(u"DGD_DDT_NumeroDDT"), QStringLiteral("del"),
                         data(g.data(u"DGD_DDT_DataDDT"))});
            continue;
        }
        QString titolo, prefisso;
        if (id == u"DatiOrdineAcquisto")
            titolo = QStringLiteral("Ordine"), prefisso = QStringLiteral("DGD_DOA_");
        else if (id == u"DatiContratto")
            titolo = QStringLiteral("Contratto"), prefisso = QStringLiteral("DGD_DCT_");
        else if (id == u"DatiConvenzione")
            titolo = QStringLiteral("Convenzione"), prefisso = QStringLiteral("DGD_DCO_");
        else if (id == u"DatiFattureCollegate")
            titolo = QStringLiteral("Fattura collegata"), prefisso = QStringLiteral("DGD_DFC_");
        else
            continue;
        const QString dataDoc = data(g.data(QString(prefisso + QStringLiteral("Data"))));
        QString r =
            unisci({titolo, QStringLiteral("n."), g.testo(QString(prefisso + QStringLiteral("IdDocumento"))),
                    dataDoc.isEmpty() ? QString() : QStringLiteral("del ") + dataDoc});
        if (!g.testo(QString(prefisso + QStringLiteral("CodiceCIG"))).trimmed().isEmpty())
            r += QStringLiteral(" CIG ") + g.testo(QString(prefisso + QStringLiteral("CodiceCIG"))).trimmed();
        if (!g.testo(QString(prefisso + QStringLiteral("CodiceCUP"))).trimmed().isEmpty())
            r += QStringLiteral(" CUP ") + g.testo(QString(prefisso + QStringLiteral("CodiceCUP"))).trimmed();
        t << r;
    }
    return t;
}

QStringList StFatPas::Impaginatore::StPagamenti() {
    QStringList t;
    for (const RigaStore& p : f_.pagamenti) {
        QString metodo = st_.decodifica(QStringLiteral("FEModPag"), p.testo(u"ModalitaPagamento"));
        if (metodo.isEmpty())
            metodo = p.testo(u"ModalitaPagamento").trimmed();
        const QString condizione = st_.decodifica(QStringLiteral("AFETipPag"), p.testo(u"AFETipPag"));
        QString r = metodo;
        if (!condizione.isEmpty())
            r += QStringLiteral(" (") + condizione + u')';
        const QString scadenza = data(p.data(u"DataScadenzaPagamento"));
        if (!scadenza.isEmpty())
            r += QStringLiteral(" il ") + scadenza;
        if (const auto imp = p.valuta(u"ImportoPagamento"))
            r += QStringLiteral(" di ") + importo(imp);
        const QString banca = DescPagBanca(p);
        if (!banca.isEmpty())
            r += QStringLiteral(" - ") + banca;
        t << r.trimmed();
    }
    return t;
}

QString StFatPas::Impaginatore::DescPagBanca(const RigaStore& p) {
    QString r;
    const QString iban = p.testo(u"IBAN").trimmed();
    const QString abi = p.testo(u"ABI").trimmed(), cab = p.testo(u"CAB").trimmed();
    if (p.testo(u"ModalitaPagamento").trimmed().toUpper() == u"MP05" && !iban.isEmpty())
        r = QStringLiteral("Iban: ") + iban;
    else if (!abi.isEmpty() || !cab.isEmpty())
        r = abi + u'-' + cab;
    else if (!iban.isEmpty())
        r = QStringLiteral("Iban: ") + iban;
    const QString istituto = p.testo(u"IstitutoFinanziario").trimmed();
    if (!istituto.isEmpty())
        r += QStringLiteral(" Banca ") + istituto;
    return r.trimmed();
}

QStringList StFatPas::Impaginatore::StCassaPrevid() {
    QStringList t;
    for (const RigaStore& g : f_.datiGen) {
        if (g.testo(u"XMLIdent") != u"DatiCassaPrevidenziale")
            continue;
        QString tipo = st_.decodifica(QStringLiteral("FETipoCassa"), g.testo(u"DGD_DCP_TipoCassa"));
        if (tipo.isEmpty())
            tipo = g.testo(u"DGD_DCP_TipoCassa").trimmed();
        QString r =
            QStringLiteral("Cassa Previdenza ") + tipo + u' ' + percento(g.valuta(u"DGD_DCP_AlCassa"));
        if (const auto base = g.valuta(u"DGD_DCP_ImponibileCassa"))
            r += QStringLiteral(" su ") + importo(base);
        r += QStringLiteral(": ") + importo(g.valuta(u"DGD_DCP_ImportoContributoCassa"));
        const QString natura = g.testo(u"DGD_DCP_Natura").trimmed();
        if (!natura.isEmpty())
            r += QStringLiteral(" - ") + natura;
        else if (const auto al = g.valuta(u"DGD_DCP_AliquotaIVA"))
            r += QStringLiteral(" - IVA ") + percento(al);
        if (si(g.testo(u"DGD_DCP_Ritenuta")))
            r += QStringLiteral(" - soggetto a ritenuta");
        t << unisci({r});
    }
    return t;
}

QStringList StFatPas::Impaginatore::StRitAcconto() {
    QStringList t;
    const auto ritenuta = [&](const RigaStore& g, bool testata) {
        // The first withholding is in the header, the others in blocks: the same columns.
        Q_UNUSED(testata);
        const auto col = [](const QString& nome) { return QStringLiteral("DGD_DR_") + nome; };
        const QString codice = g.testo(col(QStringLiteral("TipoRitenuta"))).trimmed();
        const auto importoRit = g.valuta(col(QStringLiteral("ImportoRitenuta")));
        if (codice.isEmpty() && !importoRit)
            return;
        QString tipo = st_.decodifica(QStringLiteral("FETipoRitenuta"), codice);
        if (tipo.isEmpty())
            tipo = codice.isEmpty() ? QStringLiteral("Ritenuta") : codice;
        QString r = tipo;
        const QString causale = g.testo(col(QStringLiteral("CausalePagamento"))).trimmed();
        if (!causale.isEmpty()) {
            r += QStringLiteral(" con causale pagamento: ") + causale;
            const QString d = st_.decodifica(QStringLiteral("FE770"), causale);
            if (!d.isEmpty())
                r += QStringLiteral(" - ") + d;
        }
        r += u' ' + percento(g.valuta(col(QStringLiteral("AliquotaRitenuta"))));
        r += QStringLiteral(": ") + importo(importoRit);
        t << r.trimmed();
    };
    ritenuta(f_.testata, true);
    for (const RigaStore& g : f_.datiGen)
        if (g.testo(u"XMLIdent") == u"DatiRitenuta")
            ritenuta(g, false);
    return t;
}

// ---- Drawing ------------------------------------------------------------------------------------

void StFatPas::Impaginatore::StPiede(bool ultima) {
    const double alto = fondoCorpo_, medio = fondoCorpo_ + 8.5, basso = altezza_ - 19;
    FP_StampaLinea(0, alto, Larghezza, alto);
    FP_StampaLinea(0, medio, Larghezza, medio);
    FP_StampaLinea(0, basso, Larghezza, basso);
    FP_StampaLinea(0, basso + 9, Larghezza, basso + 9);
    FP_StampaLinea(0, alto, 0, basso + 9);
    FP_StampaLinea(Larghezza, alto, Larghezza, basso + 9);
    FP_StampaLinea(XAnnotazioni, medio, XAnnotazioni, basso);
    stampaSpese(alto, ultima);
    stampaTotali(basso, ultima);
    FatPasFont(QStringLiteral("CorpoLabComp"));
    etichetta(1, medio + 1, 13, QStringLiteral("COD.IVA"));
    etichetta(14, medio + 1, 22, QStringLiteral("% IVA"));
    etichetta(37, medio + 1, 30, QStringLiteral("IMPONIBILE"), Allineamento::Destra);
    etichetta(70, medio + 1, 30, QStringLiteral("IMPORTO IVA"), Allineamento::Destra);
    etichetta(XAnnotazioni + 2, medio + 1, LarghezzaTestoAnnotazioni,
              QStringLiteral("ANNOTAZIONI - VARIAZIONI"));
    if (ultima) {
        stampaRiepilogo(medio + 4.5, basso);
        stampaAnnotazioni(medio + 4.5, basso);
    }
    // Where the invoice came from, so the paper copy leads back to the file.
    FatPasFont(QStringLiteral("CorpoCampoComp"));
    const RigaStore& t = f_.testata;
    QStringList origine;
    if (!t.testo(u"NomeFile").trimmed().isEmpty())
        origine << QStringLiteral("File: ") + t.testo(u"NomeFile").trimmed();
    if (!t.testo(u"identificativoSdi").trimmed().isEmpty())
        origine << QStringLiteral("Id SDI: ") + t.testo(u"identificativoSdi").trimmed();
    origine << QStringLiteral("Rif. archivio: ") + QString::number(t.intero(u"XmlAnno").value_or(0)) + u'/' +
                   QString::number(t.intero(u"XmlNumRif").value_or(0));
    FatPasStCampo(0, basso + 10, Larghezza - 30, origine.join(QStringLiteral("   ")));
    FatPasStCampo(Larghezza - 30, basso + 10, 30,
                  QStringLiteral("Pag. ") + QString::number(s_.paginaDocumento()), Allineamento::Destra);
}

void StFatPas::Impaginatore::stampaSpese(double alto, bool ultima) {
    for (double x : ColonneSpese)
        FP_StampaLinea(x, alto, x, alto + 8.5);
    const double bordi[] = {0, ColonneSpese[0], ColonneSpese[1], ColonneSpese[2], ColonneSpese[3], Larghezza};
    const QString etichette[] = {QStringLiteral("TOTALE MERCE"), QStringLiteral("TOTALE SPESE ACCESSORIE"),
                                 QStringLiteral("TRASPORTO/IMBALLO"), QStringLiteral("VARIE"),
                                 QStringLiteral("SPESE INCASSO EFFETTI")};
    const Currency valori[] = {merce_, speseAccessorie_, trasporto_, varie_, incasso_};
    for (int i = 0; i < 5; ++i) {
        const double x = bordi[i] + 1, w = bordi[i + 1] - bordi[i] - 2;
        FatPasFont(QStringLiteral("CorpoLabComp"));
        etichetta(x, alto + 1, w, etichette[i]);
        if (ultima && (i == 0 || !valori[i].zero())) {
            FatPasFont(QStringLiteral("CorpoCampo"));
            FatPasStCampo(x, alto + 1 + Valore + 0.5, w, importo(valori[i]), Allineamento::Destra);
        }
    }
}

void StFatPas::Impaginatore::stampaRiepilogo(double y, double fondo) {
    for (const RigaRiepilogo& r : riepilogo_) {
        FatPasFont(QStringLiteral("CorpoCampo"));
        FatPasStCampo(1, y, 13, r.codice);
        FatPasStCampo(14, y, 22, r.aliquota);
        FatPasStCampo(37, y, 30, r.imponibile, Allineamento::Destra);
        FatPasStCampo(70, y, 30, r.imposta, Allineamento::Destra);
        y += s_.altezzaRiga();
        FatPasFont(QStringLiteral("CorpoCampoComp"));
        for (const QString& n : r.nota) {
            FatPasStCampo(3, y, XAnnotazioni - 4, n);
            y += s_.altezzaRiga();
        }
    }
    if (!riepilogoSeguito_.empty()) {
        FatPasFont(QStringLiteral("CorpoCampoComp"));
        FatPasStCampo(1, fondo - s_.altezzaRiga() - 0.3, XAnnotazioni - 2,
                      QStringLiteral("Altre righe del riepilogo IVA dopo le righe del documento"));
    }
}

void StFatPas::Impaginatore::stampaAnnotazioni(double y, double fondo) {
    FatPasFont(QStringLiteral("CorpoCampoComp"));
    for (const QString& r : annotazioni_) {
        FatPasStCampo(XAnnotazioni + 2, y, LarghezzaTestoAnnotazioni, r);
        y += s_.altezzaRiga();
    }
    if (!annotazioniSeguito_.isEmpty())
        FatPasStCampo(XAnnotazioni + 2, fondo - s_.altezzaRiga() - 0.3, LarghezzaTestoAnnotazioni,
                      QStringLiteral("Altre annotazioni dopo le righe del documento"));
}

void StFatPas::Impaginatore::stampaTotali(double alto, bool ultima) {
    for (double x : ColonneTotali)
        FP_StampaLinea(x, alto, x, alto + 9);
    const double bordi[] = {
        0,        ColonneTotali[0], ColonneTotali[1], ColonneTotali[2], ColonneTotali[3], ColonneTotali[4],
        Larghezza};
    const QString etichette[] = {QStringLiteral("TOTALE IMPONIBILE"), QStringLiteral("TOTALE IVA"),
                                 QStringLiteral("TOT. ESENTE"),       QStringLiteral("BOLLI EFFETTI"),
                                 QStringLiteral("TOTALE FATTURA"),    QStringLiteral("TOT. PAGARE")};
    FatPasFont(QStringLiteral("CorpoLabComp"));
    for (int i = 0; i < 6; ++i)
        etichetta(bordi[i] + 1, alto + 1, bordi[i + 1] - bordi[i] - 2, etichette[i]);
    const double y = alto + 1 + Valore + 0.7;
    if (!ultima) {
        FatPasFont(QStringLiteral("CorpoLab"));
        FatPasStCampo(bordi[5] + 1, y, bordi[6] - bordi[5] - 2, QStringLiteral("SEGUE"), Allineamento::Centro,
                      true);
        return;
    }
    const RigaStore& t = f_.testata;
    std::optional<Currency> totale = t.valuta(u"DGD_ImportoTotaleDocumento");
    if (!totale)
        totale =
            f_.semplificata && f_.iva.empty() ? imponibile_ + imposta_ : imponibile_ + esente_ + imposta_;
    const QString valori[] = {importo(imponibile_), importo(imposta_),
                              importo(esente_),     importo(t.valuta(u"DGD_DB_ImportoBollo")),
                              importo(totale),      importo(totale)};
    for (int i = 0; i < 6; ++i) {
        FatPasFont(i >= 4 ? QStringLiteral("CorpoLab") : QStringLiteral("CorpoCampo"));
        FatPasStCampo(bordi[i] + 1, y, bordi[i + 1] - bordi[i] - 2, valori[i], Allineamento::Destra, i >= 4);
    }
}

} // namespace tesel::stampa
