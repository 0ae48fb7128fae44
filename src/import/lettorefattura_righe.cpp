// The rows of an invoice body as the reader takes them: the lines with their own blocks, the
// VAT summary with the table of VAT keys, and the payments.

#include "import/filefattura.h"
#include "import/lettorefattura.h"

#include "frame/data.h"
#include "frame/parametri.h"
#include "store/store.h"

namespace tesel {

// Names compared with texts of known length: a comparison of sizes settles most of them.
using namespace Qt::Literals::StringLiterals;

namespace {

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

bool conRivalsaIva(const QString& minuscolo) {
    return minuscolo.contains(u"con rivalsa di iva") || minuscolo.contains(u"con rivalsa iva");
}

bool senzaRivalsaIva(const QString& minuscolo) {
    return minuscolo.contains(u"senza rivalsa di iva") || minuscolo.contains(u"senza rivalsa iva");
}

} // namespace

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
        trovato = risolutore_.ivaPerAliquota(aliquota, natura, risolutore_.tipoEsenzione(natura));
    if (trovato) {
        nuova.iva = trovato->iva;
        nuova.afeIvaEse = trovato->afeIvaEse;
    }
    chiaviIva_.push_back(nuova);
    return chiaviIva_.back();
}

// "aliquota 22,00%" or "natura N2.2": how a total by VAT key is named in a message.
QString LettoreFattura::chiaveTotale(const std::optional<Currency>& aliquota, const QString& natura) {
    // The same few rates recur invoice after invoice: their labels are kept for the thread.
    struct EtichettaTotale {
        std::optional<Currency> aliquota;
        QString natura, etichetta;
    };
    thread_local std::vector<EtichettaTotale> etichette;
    for (const EtichettaTotale& e : etichette)
        if (e.aliquota == aliquota && e.natura == natura)
            return e.etichetta;
    if (etichette.size() >= 64)
        etichette.clear();
    const QString a =
        QStringLiteral("aliquota ") + formatta(aliquota.value_or(Currency()), u"#,##0.00") + u'%';
    etichette.push_back({aliquota, natura, natura.isEmpty() ? a : a + QStringLiteral(" natura ") + natura});
    return etichette.back().etichetta;
}

// ---- Lines ------------------------------------------------------------------------------------------

void LettoreFattura::leggiBeniServizi(pugi::xml_node blocco) {
    if (semplificata_) {
        leggiLineaSemplificata(blocco);
        return;
    }
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DettaglioLinee"_s) {
            leggiLinea(figlio);
            scaricaRighe();
        } else if (n == u"DatiRiepilogo"_s)
            leggiRiepilogo(figlio);
    }
}

void LettoreFattura::scaricaRighe() {
    constexpr size_t RighePerScarico = 512;
    if (!out_->scarica || out_->dettaglio.size() < RighePerScarico)
        return;
    for (const RigaFattura& r : out_->dettaglio)
        reverseChargeScaricato_ |=
            r.testo(QStringLiteral("Natura")).trimmed().startsWith(QStringLiteral("N6"));
    out_->scarica(*out_);
}

void LettoreFattura::applicaAltriDati(const RigaFattura& adg, AttributiRiga& attr) {
    const QString tipo = adg.testo(QStringLiteral("ADG_TipoDato")).trimmed().toLower();
    const QString testo = adg.testo(QStringLiteral("ADG_RiferimentoTesto")).trimmed();
    const auto numero = adg.valuta(QStringLiteral("ADG_RiferimentoNumero"));
    const QString minuscolo = testo.toLower();
    if (tipo == u"aswtriga"_s) {
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
            errori_.aggiungi(QStringLiteral("Troncato tipo riga: ") + citaValore(kind));
            kind = kind.left(4);
        }
        attr.tipoRiga = kind;
    } else if (tipo == u"aswrifriga"_s) {
        if (numero)
            attr.kitRifRiga = numero->decimillesimi() / Currency::Scala;
        else if (const auto n = Currency::daTesto(testo))
            attr.kitRifRiga = n->decimillesimi() / Currency::Scala;
    } else if (tipo == u"aswspacces"_s) {
        attr.tipoSpesa = testo.left(4).toUpper();
    } else if (tipo == u"aswcodiva"_s) {
        attr.ivaSuggerita = testo;
    } else if (tipo == u"aswtratfis"_s) {
        trattFiscAdg_ = testo;
        if (minuscolo == u"cd13"_s)
            ivata_ = QStringLiteral("S");
    } else if (tipo == u"aswdestb2b"_s) {
        ufficio_ = testo;
    } else if (tipo == u"aswtipodoc"_s) {
        tipoDocAdg_ = testo;
    } else if (tipo == u"aswcardoc"_s) {
        carDocAdg_ = testo;
    } else if (tipo == u"aswtipopag"_s) {
        tipoPagAdg_ = testo;
    } else if (tipo == u"omaggio"_s || tipo == u"aswomaggio"_s) {
        // Free goods from this line on: with the VAT charged to us ("I") or borne by the supplier.
        omaggioFattura_ = conRivalsaIva(minuscolo) ? QStringLiteral("I") : QStringLiteral("S");
    } else if (tipo == u"cassa-prev"_s || tipo == u"cassaprev"_s) {
        // The line is a pension-fund contribution: owed to the supplier, so never free goods.
        attr.cassaPrevidenziale = true;
        if (conRivalsaIva(minuscolo))
            attr.rivalsaIva = true;
        else if (senzaRivalsaIva(minuscolo))
            attr.rivalsaIva = false;
        if (minuscolo.contains(u"enasarco") && numero) {
            attr.contoCassa = risolutore_.contoCassaPrevidenziale(*numero);
            if (!contoCassa_ && !attr.contoCassa.vuoto())
                contoCassa_ = attr.contoCassa;
        }
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

    CodiceConto conto = attr.contoCassa;
    if (conto.vuoto() && !attr.tipoSpesa.isEmpty())
        conto = risolutore_.contoSpesa(attr.tipoSpesa);
    if (conto.vuoto()) {
        const CodiceConto daArticolo = articolo ? articolo->contoAcquisto : CodiceConto{};
        const QString prior = fornitore_.contoPrior.isEmpty() ? par_.contoPrior : fornitore_.contoPrior;
        if (prior == u"A"_s)
            conto = !daArticolo.vuoto() ? daArticolo : fornitore_.contropartita;
        else
            conto = !fornitore_.contropartita.vuoto() ? fornitore_.contropartita : daArticolo;
        if (conto.vuoto())
            conto = par_.contoAcquisti;
    }
    mettiConto(r, QStringLiteral("CPartita"), conto);

    QString omaggio = attr.omaggio;
    if (omaggio.isEmpty() && !attr.cassaPrevidenziale)
        omaggio = omaggioFattura_;
    if (omaggio.isEmpty())
        omaggio =
            r.testo(QStringLiteral("TipoCessionePrestazione")).trimmed() == u"AB"_s ? store::Si : store::No;
    r.mettiTesto(QStringLiteral("Omaggio"), omaggio);
    r.mettiTesto(QStringLiteral("TipoRiga"), tipoRiga);
    r.mettiTesto(QStringLiteral("KitPadreFiglio"), attr.kitPadreFiglio);
    r.metti(QStringLiteral("KitRifRiga"), attr.kitRifRiga ? QVariant(*attr.kitRifRiga) : QVariant());
    r.mettiTesto(QStringLiteral("SpesaTrasporto"), attr.tipoSpesa == u"SP03"_s ? store::Si : store::No);
    r.mettiTesto(QStringLiteral("SpesaBollo"), attr.tipoSpesa == u"SP02"_s ? store::Si : store::No);
    r.mettiTesto(QStringLiteral("SpesaIncasso"), attr.tipoSpesa == u"SP01"_s ? store::Si : store::No);

    // The group number is part of the line's VAT key; so are -999 / -998 of a simplified line.
    const QVariant segnoSemplificata = r.valore(QStringLiteral("NumIvaDoppia"));
    const qint64 numIvaDoppia = attr.numIvaDoppia
                                    ? *attr.numIvaDoppia
                                    : (segnoSemplificata.isNull() ? 0 : segnoSemplificata.toLongLong());
    if (tipoRiga != u"DE"_s && tipoRiga != u"ID"_s) {
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
        const QString iva = ivaPerChiave(aliquota, natura, numIvaDoppia, attr.ivaSuggerita).iva;
        r.mettiTesto(QStringLiteral("Iva"), iva);
        const QString linea = r.testo(QStringLiteral("NumeroLinea")).isEmpty()
                                  ? QString::number(r.valore(store::XmlRigDet).toLongLong())
                                  : r.testo(QStringLiteral("NumeroLinea"));
        // A file of thousands of such lines names the first few and counts the others.
        const bool avvisa = !(iva.isEmpty() || conto.vuoto()) || ++righeDaCompletare_ <= MassimoRigheAvvisate;
        if (iva.isEmpty() && avvisa)
            out_->avvisi << QStringLiteral("Riga %1: codice IVA non trovato (aliquota %2, natura %3)")
                                .arg(linea, aliquota ? formatta(*aliquota, u"#,##0.00") : QString(), natura);
        if (conto.vuoto() && avvisa)
            out_->avvisi << QStringLiteral("Riga %1: contropartita non trovata").arg(linea);
        // A contribution said to bear VAT (or not) whose line says otherwise is for the user to settle.
        const bool senzaAliquota = aliquota.value_or(Currency()).zero();
        if (attr.rivalsaIva && *attr.rivalsaIva && senzaAliquota)
            out_->avvisi << QStringLiteral(
                                "Riga %1: contributo previdenziale con rivalsa IVA senza aliquota IVA")
                                .arg(linea);
        else if (attr.rivalsaIva && !*attr.rivalsaIva && !senzaAliquota)
            out_->avvisi << QStringLiteral(
                                "Riga %1: contributo previdenziale senza rivalsa IVA con aliquota %2%")
                                .arg(linea, formatta(*aliquota, u"#,##0.00"));
        if (!semplificata_)
            imponibileRighe_[chiaveTotale(r.valuta(QStringLiteral("AliquotaIVA")), natura)] +=
                r.valuta(QStringLiteral("PrezzoTotale")).value_or(Currency());
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
    RigaFattura& r = out_->dettaglio.emplace_back(nomi_);
    const qint64 rigDet = ++rigDett_;
    r.mettiChiave(anno_, numero_, rigDet);

    AttributiRiga attr;
    std::optional<ArticoloTrovato> articolo;
    QString natura;
    QStringList percentuali;
    bool primoCodice = true;
    bool primoScontoLetto = false;
    for (pugi::xml_node figlio : FigliElemento(linea)) {
        const QString n = nome(figlio);
        if (n == u"NumeroLinea"_s) {
            const auto v = valoreNumeroSilenzioso(figlio);
            r.metti(n, v ? QVariant(QString::number(v->decimillesimi() / Currency::Scala)) : QVariant());
        } else if (n == u"CodiceArticolo"_s) {
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
        } else if (n == u"ScontoMaggiorazione"_s) {
            // The line keeps its first discount; every one has its own block row.
            const bool primo = !primoScontoLetto;
            primoScontoLetto = true;
            if (primo)
                r.mettiTesto(QStringLiteral("SM_Tipo"), FiglioPerNome(figlio, u"Tipo"));
            if (pugi::xml_node imp = FiglioPerNome(figlio, u"Importo"); imp && primo) {
                // Silent here: the block's own row reports a bad amount once.
                r.mettiValore(QStringLiteral("SM_Importo"), valoreNumeroSilenzioso(imp));
                r.mettiTestoRipulito(QStringLiteral("SM_ImportoStr"), imp);
            }
            if (pugi::xml_node perc = FiglioPerNome(figlio, u"Percentuale"))
                if (const auto p = valoreNumeroSilenzioso(perc))
                    percentuali << percentualeCorta(*p);
            scriviBlocco(figlio, BloccoArtScontoMaggiorazione, rigDet);
        } else if (n == u"DataInizioPeriodo"_s || n == u"DataFinePeriodo"_s)
            data(r, n, figlio, QStringLiteral("Det_") + n);
        else if (n == u"Quantita"_s || n == u"PrezzoUnitario"_s || n == u"PrezzoTotale"_s ||
                 n == u"AliquotaIVA"_s) {
            importo(r, n, figlio, [&] { return QStringLiteral("Det_") + n; });
            if (n != u"AliquotaIVA"_s)
                r.mettiTestoRipulito(unisci(n, QStringLiteral("Str")), figlio);
        } else if (n == u"AltriDatiGestionali"_s)
            applicaAltriDati(scriviBlocco(figlio, BloccoAltriDatiGestionali, rigDet), attr);
        else if (n == u"Natura"_s) {
            natura = ValoreTesto(figlio).trimmed();
            r.mettiTesto(n, natura);
        } else
            r.mettiTesto(n, figlio);
    }
    if (!percentuali.isEmpty())
        r.mettiTesto(QStringLiteral("SM_Percentuale"), percentuali.join(u'+'));
    completaLinea(r, attr, articolo, natura);
}

void LettoreFattura::leggiLineaSemplificata(pugi::xml_node blocco) {
    RigaFattura& r = out_->dettaglio.emplace_back(nomi_);
    r.mettiChiave(anno_, numero_, ++rigDett_);
    r.metti(QStringLiteral("Quantita"), QVariant::fromValue(Currency::daUnita(1)));
    r.mettiTesto(QStringLiteral("QuantitaStr"), QStringLiteral("1.00"));

    QString natura;
    AttributiRiga attr;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Importo"_s) {
            const auto v = valoreImporto(figlio, QStringLiteral("Det_Importo"), errori_);
            const QString testo = TestoElemento(figlio).trimmed();
            r.mettiValore(QStringLiteral("PrezzoUnitario"), v);
            r.mettiValore(QStringLiteral("PrezzoTotale"), v);
            r.mettiTesto(QStringLiteral("PrezzoUnitarioStr"), testo);
            r.mettiTesto(QStringLiteral("PrezzoTotaleStr"), testo);
            // A simplified invoice's amounts include their VAT: they make its total.
            totaleRiepilogo_ += v.value_or(Currency());
            conRiepilogo_ = true;
        } else if (n == u"DatiIVA"_s) {
            const FigliElemento elementi(figlio);
            const std::vector<pugi::xml_node> figli(elementi.begin(), elementi.end());
            if (figli.empty())
                r.metti(QStringLiteral("NumIvaDoppia"), -999);
            else if (nome(figli[0]) == u"Imposta"_s && figli.size() == 1) {
                importo(r, QStringLiteral("AliquotaIVA"), figli[0], QStringLiteral("Det_Imposta"));
                r.metti(QStringLiteral("NumIvaDoppia"), -999);
            } else if (nome(figli[0]) == u"Imposta"_s) {
                importo(r, QStringLiteral("AliquotaIVA"), figli[1], QStringLiteral("Det_") + nome(figli[1]));
                r.metti(QStringLiteral("NumIvaDoppia"), -998);
            } else
                importo(r, QStringLiteral("AliquotaIVA"), figli[0], QStringLiteral("Det_") + nome(figli[0]));
        } else if (n == u"Natura"_s) {
            natura = ValoreTesto(figlio).trimmed();
            r.mettiTesto(n, natura);
        } else
            r.mettiTesto(n, figlio);
    }
    completaLinea(r, attr, std::nullopt, natura);
}

void LettoreFattura::leggiRiepilogo(pugi::xml_node riepilogo) {
    RigaFattura& r = out_->iva.emplace_back(nomi_);
    r.mettiChiave(anno_, numero_, ++rigIva_);
    QString natura;
    for (pugi::xml_node figlio : FigliElemento(riepilogo)) {
        const QString n = nome(figlio);
        if (n == u"AliquotaIVA"_s || n == u"SpeseAccessorie"_s || n == u"Arrotondamento"_s ||
            n == u"ImponibileImporto"_s || n == u"Imposta"_s)
            importo(r, n, figlio, [&] { return QStringLiteral("Iva-") + n; });
        else {
            r.mettiTesto(n, figlio);
            if (n == u"Natura"_s)
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
    conRiepilogo_ = true;
    totaleRiepilogo_ += r.valuta(QStringLiteral("ImponibileImporto")).value_or(Currency()) +
                        r.valuta(QStringLiteral("Imposta")).value_or(Currency());
    // The summary's taxable amount holds the lines, their accessory expenses and rounding.
    imponibileRiepilogo_[chiaveTotale(aliquota, natura)] +=
        r.valuta(QStringLiteral("ImponibileImporto")).value_or(Currency()) -
        r.valuta(QStringLiteral("SpeseAccessorie")).value_or(Currency()) -
        r.valuta(QStringLiteral("Arrotondamento")).value_or(Currency());
    if (inverti_)
        for (const char* c : {"SpeseAccessorie", "Arrotondamento", "ImponibileImporto", "Imposta"})
            r.mettiValore(QLatin1String(c), negato(r.valuta(QLatin1String(c))));
}

// ---- Payments ----------------------------------------------------------------------------------------

void LettoreFattura::leggiPagamento(pugi::xml_node blocco) {
    const qint64 numCond = ++numCond_;
    const QString condizioni = TestoFiglio(blocco, u"CondizioniPagamento");
    // The payment kind: what the sender's own data says, else the block's condition (TP01
    // instalments, TP02 in full, TP03 advance), else the supplier's usual payment type.
    QString afeTipPag = tipoPagAdg_.trimmed();
    if (afeTipPag.isEmpty())
        afeTipPag = condizioni.trimmed();
    if (afeTipPag.isEmpty())
        afeTipPag = fornitore_.afeTipPag;
    for (pugi::xml_node dettaglio : FigliElemento(blocco)) {
        if (nome(dettaglio) != u"DettaglioPagamento"_s)
            continue;
        RigaFattura& r = out_->pagamenti.emplace_back(nomi_);
        r.mettiChiave(anno_, numero_, ++rigPag_);
        r.metti(store::NumCond, numCond);
        r.mettiTesto(QStringLiteral("CondizioniPagamento"), condizioni);
        QString modalita, abi, cab;
        for (pugi::xml_node figlio : FigliElemento(dettaglio)) {
            const QString n = nome(figlio);
            if (n == u"DataRiferimentoTerminiPagamento"_s || n == u"DataScadenzaPagamento"_s ||
                n == u"DataLimitePagamentoAnticipato"_s || n == u"DataDecorrenzaPenale"_s)
                data(r, n, figlio, QStringLiteral("Pag_") + n);
            else if (n == u"GiorniTerminiPagamento"_s) {
                const auto v = valoreNumeroSilenzioso(figlio);
                r.metti(n, v ? QVariant(static_cast<qlonglong>(v->decimillesimi() / Currency::Scala))
                             : QVariant());
            } else if (n == u"ImportoPagamento"_s || n == u"ScontoPagamentoAnticipato"_s ||
                       n == u"PenalitaPagamentiRitardati"_s)
                importo(r, n, figlio, [&] { return QStringLiteral("Pag_") + n; });
            else {
                const QString v = ValoreTesto(figlio);
                r.mettiTesto(n, v);
                if (n == u"ModalitaPagamento"_s)
                    modalita = v.trimmed();
                else if (n == u"ABI"_s)
                    abi = v.trimmed();
                else if (n == u"CAB"_s)
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

} // namespace tesel
