#include "import/lettorefattura.h"

#include "import/filefattura.h"

#include "frame/data.h"
#include "frame/parametri.h"
#include "store/store.h"

#include <string_view>

namespace tesel {

// Names compared with texts of known length: a comparison of sizes settles most of them.
using namespace Qt::Literals::StringLiterals;

namespace {

const QString ReverseChargeNatura = QStringLiteral("N6");

// The parts of an Anagrafica element, as texts made once.
const QString CampiAnagrafica[] = {QStringLiteral("Denominazione"), QStringLiteral("Nome"),
                                   QStringLiteral("Cognome"), QStringLiteral("Titolo"),
                                   QStringLiteral("CodEORI")};

} // namespace

// ---- RigaFattura ---------------------------------------------------------------------------

namespace {

// A line has some forty columns: room for them at once instead of growing five times.
constexpr size_t ColonneAttese = 48;

// The blanks QString::trimmed takes away, among ASCII characters.
bool spazioAscii(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view senzaSpazi(std::string_view t) {
    while (!t.empty() && spazioAscii(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && spazioAscii(t.back()))
        t.remove_suffix(1);
    return t;
}

} // namespace

NomiElementi& RigaFattura::nomi() const {
    if (!nomi_) {
        propri_ = std::make_shared<NomiElementi>();
        nomi_ = propri_.get();
    }
    return *nomi_;
}

void RigaFattura::mettiTesto(const QString& colonna, const QString& testo) {
    const NomiElementi::InfoColonna i = nomi().info(colonna);
    metti(i, i.identificativo ? testo.trimmed() : testo);
}

bool RigaFattura::mettiNelFile(const NomiElementi::InfoColonna& i, pugi::xml_node elemento, bool senzaBlank) {
    std::string_view t = TestoSemplice(elemento);
    if (senzaBlank || i.identificativo)
        t = senzaSpazi(t);
    // An empty text keeps the usual way, which knows its null and empty forms.
    if (t.empty())
        return false;
    metti(i, QVariant::fromValue(TestoAscii{t.data(), static_cast<qsizetype>(t.size())}));
    return true;
}

void RigaFattura::mettiTesto(const QString& colonna, pugi::xml_node elemento) {
    const NomiElementi::InfoColonna i = nomi().info(colonna);
    if (!mettiNelFile(i, elemento, false)) {
        const QString testo = ValoreTesto(elemento);
        metti(i, i.identificativo ? testo.trimmed() : testo);
    }
}

void RigaFattura::mettiTestoRipulito(const QString& colonna, pugi::xml_node elemento) {
    const NomiElementi::InfoColonna i = nomi().info(colonna);
    if (!mettiNelFile(i, elemento, true))
        metti(i, TestoElemento(elemento).trimmed());
}

QVariant RigaFattura::comeQt(const QVariant& valore) {
    if (valore.metaType() == QMetaType::fromType<TestoAscii>())
        return static_cast<const TestoAscii*>(valore.constData())->testo();
    return valore;
}

void RigaFattura::metti(const QString& colonna, QVariant valore) {
    metti(nomi().info(colonna), std::move(valore));
}

void RigaFattura::metti(const NomiElementi::InfoColonna& info, QVariant&& valore) {
    if (forsePresente(info.colonna))
        for (Voce& v : voci_)
            if (v.colonna == info.colonna) {
                v.valore = std::move(valore);
                return;
            }
    if (voci_.empty())
        voci_.reserve(ColonneAttese);
    voci_.push_back({info.nome, info.colonna, std::move(valore)});
    const auto c = static_cast<unsigned>(info.colonna) & 255u;
    presenti_[c >> 6] |= quint64{1} << (c & 63u);
}

void RigaFattura::mettiChiave(int anno, qint32 numero, qint64 riga) {
    // Names made once: every row of every invoice writes them.
    static const QString Anno = store::XmlAnno, Numero = store::XmlNumRif, Riga = store::XmlRigDet;
    metti(Anno, anno);
    metti(Numero, numero);
    metti(Riga, riga);
}

const QVariant* RigaFattura::trova(const QString& colonna) const {
    const int c = nomi().info(colonna).colonna;
    if (!forsePresente(c))
        return nullptr;
    for (const Voce& v : voci_)
        if (v.colonna == c)
            return &v.valore;
    return nullptr;
}

QVariant RigaFattura::valore(const QString& colonna) const {
    const QVariant* v = trova(colonna);
    return v ? comeQt(*v) : QVariant();
}

QString RigaFattura::testo(const QString& colonna) const {
    const QVariant* v = trova(colonna);
    if (!v || v->isNull())
        return {};
    if (v->metaType() == QMetaType::fromType<TestoAscii>())
        return static_cast<const TestoAscii*>(v->constData())->testo();
    if (v->metaType().id() == QMetaType::QString)
        return *static_cast<const QString*>(v->constData());
    return v->toString();
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
    r.rigaZeroDescrittiva = p.leggi(QStringLiteral("Tesel.RigaZeroDescr"), QStringLiteral("S")) == u"S"_s;
    r.invertiNoteCredito = p.leggi(QStringLiteral("Tesel.InvNotaCredNeg"), QStringLiteral("N")) == u"S"_s;
    r.contoPrior = p.leggi(QStringLiteral("XML.ContoPrior"), QStringLiteral("F")).trimmed().toUpper();
    if (r.contoPrior.isEmpty())
        r.contoPrior = QStringLiteral("F");
    r.partitaIvaDitta = p.leggi(QStringLiteral("Ditta.PartIva")).trimmed();
    r.codFiscDitta = p.leggi(QStringLiteral("Ditta.CodFisc")).trimmed();
    r.contoAcquisti = {p.leggi(QStringLiteral("CauCon.GruppoAcq")),
                       p.leggi(QStringLiteral("CauCon.MastroAcq")),
                       p.leggi(QStringLiteral("CauCon.ContoAcq"))};
    return r;
}

// ---- Reader ------------------------------------------------------------------------------------

LettoreFattura::LettoreFattura(Risolutore& risolutore, const ParametriLettura& parametri,
                               const OpzioniImport& opzioni, TestoErrori& errori, NomiElementi* nomi)
    : risolutore_(risolutore), nomi_(nomi), par_(parametri), opzioni_(opzioni), errori_(errori) {
    if (!nomi_) {
        nomiPropri_ = std::make_unique<NomiElementi>();
        nomi_ = nomiPropri_.get();
    }
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
    out.testata.usaNomi(nomi_);
    anno_ = anno;
    numero_ = numero;
    dataFattura_ = dataFattura;
    const QString tipo =
        TestoElemento(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/TipoDocumento")).trimmed();
    semplificata_ = tipo == u"TD07"_s || tipo == u"TD08"_s || tipo == u"TD09"_s;

    leggiTestataXml(header);

    for (pugi::xml_node figlio : FigliElemento(body)) {
        const QString n = nome(figlio);
        if (n == u"DatiGenerali"_s)
            leggiDatiGenerali(figlio);
        else if (n == u"DatiBeniServizi"_s)
            leggiBeniServizi(figlio);
        else if (n == u"DatiVeicoli"_s)
            leggiDatiVeicoli(figlio);
        else if (n == u"DatiPagamento"_s)
            leggiPagamento(figlio);
        else if (n == u"Allegati"_s)
            scriviBlocco(figlio, BloccoAllegati, 0);
    }
    completaTestata();
}

// ---- Header ------------------------------------------------------------------------------------

void LettoreFattura::leggiTestataXml(pugi::xml_node header) {
    for (pugi::xml_node figlio : FigliElemento(header)) {
        const QString n = nome(figlio);
        if (n == u"DatiTrasmissione"_s)
            leggiDatiTrasmissione(figlio);
        else if (n == u"CedentePrestatore"_s) {
            leggiCedente(figlio);
            scriviFornitore();
        } else if (n == u"CessionarioCommittente"_s)
            leggiCessionario(figlio);
        else if (n == u"TerzoIntermediarioOSoggettoEmittente"_s) {
            if (pugi::xml_node da = FiglioPerNome(figlio, u"DatiAnagrafici"))
                leggiDatiAnagrafici(da, QStringLiteral("TISE_DA_"));
        } else if (n == u"RappresentanteFiscale"_s) {
            if (pugi::xml_node da = FiglioPerNome(figlio, u"DatiAnagrafici"))
                leggiDatiAnagrafici(da, QStringLiteral("RF_DA_"));
        } else if (n == u"SoggettoEmittente"_s)
            out_->testata.mettiTesto(QStringLiteral("SoggettoEmittente"), figlio);
    }
}

void LettoreFattura::leggiFigliCome(pugi::xml_node blocco, const QString& prefisso) {
    for (pugi::xml_node figlio : FigliElemento(blocco))
        out_->testata.mettiTesto(unisci(prefisso, nome(figlio)), figlio);
}

void LettoreFattura::leggiIdFiscale(pugi::xml_node id, const QString& prefisso) {
    out_->testata.mettiTesto(unisci(prefisso, QStringLiteral("IdFiscaleIVA_IdPaese")),
                             TestoFiglio(id, u"IdPaese"));
    out_->testata.mettiTesto(unisci(prefisso, QStringLiteral("IdFiscaleIVA_IdCodice")),
                             TestoFiglio(id, u"IdCodice"));
}

// DatiAnagrafici of a party; X is the party's prefix ("TISE_DA_", "RF_DA_", "DGD_DT_DAV_").
void LettoreFattura::leggiDatiAnagrafici(pugi::xml_node da, const QString& x) {
    for (pugi::xml_node figlio : FigliElemento(da)) {
        const QString n = nome(figlio);
        if (n == u"IdFiscaleIVA"_s)
            leggiIdFiscale(figlio, x);
        else if (n == u"Anagrafica"_s)
            for (const QString& campo : CampiAnagrafica)
                out_->testata.mettiTesto(unisci(unisci(x, QStringLiteral("Anagrafica_")), campo),
                                         TestoFiglio(figlio, campo));
        else
            out_->testata.mettiTesto(unisci(x, n), figlio);
    }
}

void LettoreFattura::leggiDatiTrasmissione(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"IdTrasmittente"_s) {
            t.mettiTesto(QStringLiteral("DT_IdTrasmittente_IdPaese"), FiglioPerNome(figlio, u"IdPaese"));
            t.mettiTesto(QStringLiteral("DT_IdTrasmittente_IdCodice"), FiglioPerNome(figlio, u"IdCodice"));
        } else if (n == u"ContattiTrasmittente"_s) {
            t.mettiTesto(QStringLiteral("DT_ContattiTrasmittente_Telefono"),
                         TestoFiglio(figlio, u"Telefono"));
            t.mettiTesto(QStringLiteral("DT_ContattiTrasmittente_Email"), FiglioPerNome(figlio, u"Email"));
        } else
            t.mettiTesto(unisci(QLatin1String("DT_"), n), figlio);
    }
}

// A child of the supplier's DatiAnagrafici, or of the supplier itself in the simplified layout.
void LettoreFattura::leggiAnagraficaCedente(pugi::xml_node figlio) {
    RigaFattura& t = out_->testata;
    const QString n = nome(figlio);
    if (n == u"IdFiscaleIVA"_s)
        leggiIdFiscale(figlio, QStringLiteral("CP_DA_"));
    else if (n == u"Anagrafica"_s)
        for (const QString& campo : CampiAnagrafica)
            t.mettiTesto(unisci(QLatin1String("CP_DA_Anagrafica_"), campo), FiglioPerNome(figlio, campo));
    else if (n == u"DataIscrizioneAlbo"_s)
        data(t, QStringLiteral("CP_DA_DataIscrizioneAlbo"), figlio,
             QStringLiteral("CP_DA_DataIscrizioneAlbo"));
    else
        t.mettiTesto(unisci(QLatin1String("CP_DA_"), n), figlio);
}

void LettoreFattura::leggiCedente(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DatiAnagrafici"_s)
            for (pugi::xml_node f : FigliElemento(figlio))
                leggiAnagraficaCedente(f);
        else if (n == u"Sede"_s)
            leggiFigliCome(figlio, QStringLiteral("CP_Sede_"));
        else if (n == u"StabileOrganizzazione"_s)
            leggiFigliCome(figlio, QStringLiteral("CP_SO_"));
        else if (n == u"IscrizioneREA"_s) {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString c = unisci(QLatin1String("CP_REA_"), nome(f));
                if (nome(f) == u"CapitaleSociale"_s)
                    importo(t, c, f);
                else
                    t.mettiTesto(c, f);
            }
        } else if (n == u"Contatti"_s)
            leggiFigliCome(figlio, QStringLiteral("CP_Contatti_"));
        else if (n == u"IdFiscaleIVA"_s || n == u"Anagrafica"_s || n == u"DataIscrizioneAlbo"_s ||
                 n == u"AlboProfessionale"_s || n == u"ProvinciaAlbo"_s || n == u"NumeroIscrizioneAlbo"_s ||
                 n == u"RegimeFiscale"_s || n == u"CodiceFiscale"_s)
            leggiAnagraficaCedente(figlio);
        else if (n == u"Denominazione"_s || n == u"Nome"_s || n == u"Cognome"_s || n == u"Titolo"_s ||
                 n == u"CodEORI"_s)
            t.mettiTesto(unisci(QLatin1String("CP_DA_Anagrafica_"), n), figlio);
        else
            t.mettiTesto(unisci(QLatin1String("CP_"), n), figlio);
    }
}

void LettoreFattura::leggiDatiAnagraficiCessionario(pugi::xml_node da) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node f : FigliElemento(da)) {
        const QString n = nome(f);
        if (n == u"IdFiscaleIVA"_s)
            leggiIdFiscale(f, QStringLiteral("CC_DA_"));
        else if (n == u"Anagrafica"_s)
            leggiFigliCome(f, QStringLiteral("CC_DA_Anagrafica_"));
        else
            t.mettiTesto(unisci(QLatin1String("CC_DA_"), n), f);
    }
}

void LettoreFattura::leggiCessionario(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    const auto rappresentante = [&](pugi::xml_node rf) {
        for (pugi::xml_node f : FigliElemento(rf)) {
            if (nome(f) == u"IdFiscaleIVA"_s)
                leggiIdFiscale(f, QStringLiteral("CC_RF_"));
            else
                t.mettiTesto(unisci(QLatin1String("CC_RF_"), nome(f)), f);
        }
    };
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"IdentificativiFiscali"_s) {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                if (nome(f) == u"IdFiscaleIVA"_s)
                    leggiIdFiscale(f, QStringLiteral("CC_DA_"));
                else
                    t.mettiTesto(unisci(QLatin1String("CC_DA_"), nome(f)), f);
            }
        } else if (n == u"DatiAnagrafici"_s)
            leggiDatiAnagraficiCessionario(figlio);
        else if (n == u"AltriDatiIdentificativi"_s) {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString nf = nome(f);
                if (nf == u"Sede"_s)
                    leggiFigliCome(f, QStringLiteral("CC_Sede_"));
                else if (nf == u"StabileOrganizzazione"_s)
                    leggiFigliCome(f, QStringLiteral("CC_SO_"));
                else if (nf == u"RappresentanteFiscale"_s)
                    rappresentante(f);
                else
                    t.mettiTesto(unisci(QLatin1String("CC_DA_Anagrafica_"), nf), f);
            }
        } else if (n == u"Sede"_s)
            leggiFigliCome(figlio, QStringLiteral("CC_Sede_"));
        else if (n == u"StabileOrganizzazione"_s)
            leggiFigliCome(figlio, QStringLiteral("CC_SO_"));
        else if (n == u"RappresentanteFiscale"_s)
            rappresentante(figlio);
        else if (n == u"IdFiscaleIVA"_s)
            leggiIdFiscale(figlio, QStringLiteral("CC_DA_"));
        else if (n == u"Anagrafica"_s)
            leggiFigliCome(figlio, QStringLiteral("CC_DA_Anagrafica_"));
        else if (n == u"CodiceFiscale"_s)
            t.mettiTesto(QStringLiteral("CC_DA_CodiceFiscale"), figlio);
        else if (n == u"Denominazione"_s || n == u"Nome"_s || n == u"Cognome"_s || n == u"Titolo"_s ||
                 n == u"CodEORI"_s)
            t.mettiTesto(unisci(QLatin1String("CC_DA_Anagrafica_"), n), figlio);
        else
            t.mettiTesto(unisci(QLatin1String("CC_"), n), figlio);
    }
}

DatiCedente LettoreFattura::cedenteDaTestata(pugi::xml_node body) const {
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

    return c;
}

DatiCedente LettoreFattura::datiCedente(pugi::xml_node header, pugi::xml_node body,
                                        const QDate& dataFattura) {
    FatturaLetta letta;
    letta.testata.usaNomi(nomi_);
    out_ = &letta;
    dataFattura_ = dataFattura;
    if (pugi::xml_node cp = FiglioPerNome(header, u"CedentePrestatore"))
        leggiCedente(cp);
    DatiCedente c = cedenteDaTestata(body);
    out_ = nullptr;
    return c;
}

void LettoreFattura::scriviFornitore() {
    if (fornitore_.trovato()) {
        mettiConto(out_->testata, QStringLiteral("For"), fornitore_.conto);
    }
}

// ---- General data ------------------------------------------------------------------------------

void LettoreFattura::leggiDatiGenerali(pugi::xml_node blocco) {
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"DatiGeneraliDocumento"_s)
            leggiDatiGeneraliDocumento(figlio);
        else if (n == u"DatiTrasporto"_s)
            leggiDatiTrasporto(figlio);
        else if (n == u"FatturaPrincipale"_s)
            continue;
        else if (const BloccoDatiGen* b = bloccoPerXmlIdent(n))
            scriviBlocco(figlio, b->codice, 0);
    }

    // Credit notes with a negative total are turned into positive documents whose every
    // amount is inverted, when the company asks for it.
    RigaFattura& t = out_->testata;
    const QString tipo = t.testo(QStringLiteral("DGD_TipoDocumento")).trimmed();
    const auto totale = t.valuta(QStringLiteral("DGD_ImportoTotaleDocumento"));
    totaleDocumento_ = totale;
    if (par_.invertiNoteCredito && (tipo == u"TD04"_s || tipo == u"TD08"_s) && totale && totale->negativo()) {
        inverti_ = true;
        t.mettiValore(QStringLiteral("DGD_ImportoTotaleDocumento"), std::optional<Currency>(-*totale));
    }
}

void LettoreFattura::leggiDatiGeneraliDocumento(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    static const QString Separatore = QStringLiteral("§çé^?");
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Data"_s)
            t.metti(QStringLiteral("DGD_Data"), dataFattura_);
        else if (n == u"DatiRitenuta"_s) {
            if (t.testo(QStringLiteral("DGD_DR_TipoRitenuta")).trimmed().isEmpty()) {
                for (pugi::xml_node f : FigliElemento(figlio)) {
                    const QString c = unisci(QLatin1String("DGD_DR_"), nome(f));
                    if (nome(f) == u"ImportoRitenuta"_s || nome(f) == u"AliquotaRitenuta"_s)
                        importo(t, c, f);
                    else
                        t.mettiTesto(c, f);
                }
            } else
                scriviBlocco(figlio, BloccoDatiRitenuta, 0);
        } else if (n == u"DatiBollo"_s) {
            for (pugi::xml_node f : FigliElemento(figlio)) {
                const QString c = unisci(QLatin1String("DGD_DB_"), nome(f));
                if (nome(f) == u"ImportoBollo"_s)
                    importo(t, c, f);
                else
                    t.mettiTesto(c, f);
            }
        } else if (n == u"DatiCassaPrevidenziale"_s)
            scriviBlocco(figlio, BloccoDatiCassaPrevidenziale, 0);
        else if (n == u"ScontoMaggiorazione"_s)
            scriviBlocco(figlio, BloccoScontoMaggiorazione, 0);
        else if (n == u"Arrotondamento"_s || n == u"ImportoTotaleDocumento"_s)
            importo(t, unisci(QLatin1String("DGD_"), n), figlio);
        else if (n == u"Causale"_s)
            causaleRaccolta_ += Separatore + ValoreTesto(figlio);
        else
            t.mettiTesto(unisci(QLatin1String("DGD_"), n), figlio);
    }
    if (!causaleRaccolta_.trimmed().isEmpty())
        t.mettiTesto(QStringLiteral("DGD_Causale"), causaleRaccolta_.mid(Separatore.size()));
    cercaContoCassa(t.testo(QStringLiteral("DGD_DR_TipoRitenuta")).trimmed(),
                    t.valuta(QStringLiteral("DGD_DR_AliquotaRitenuta")));
}

// A withholding that is not an income-tax one (RT01, RT02) is a social-security contribution
// whose expense account is found by its rate.
void LettoreFattura::cercaContoCassa(const QString& tipoRitenuta, const std::optional<Currency>& aliquota) {
    if (tipoRitenuta.isEmpty() || tipoRitenuta == u"RT01"_s || tipoRitenuta == u"RT02"_s || !aliquota ||
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
        const QString c = unisci(QLatin1String("DGD_DT_"), n);
        if (n == u"DatiAnagraficiVettore"_s)
            leggiDatiAnagrafici(figlio, QStringLiteral("DGD_DT_DAV_"));
        else if (n == u"NumeroColli"_s || n == u"PesoLordo"_s || n == u"PesoNetto"_s)
            importo(t, c, figlio);
        else if (n == u"DataOraRitiro"_s || n == u"DataInizioTrasporto"_s || n == u"DataOraConsegna"_s)
            data(t, c, figlio, c);
        else if (n == u"IndirizzoResa"_s)
            leggiFigliCome(figlio, QStringLiteral("DGD_DT_IR_"));
        else
            t.mettiTesto(c, figlio);
    }
}

void LettoreFattura::leggiDatiVeicoli(pugi::xml_node blocco) {
    RigaFattura& t = out_->testata;
    for (pugi::xml_node figlio : FigliElemento(blocco)) {
        const QString n = nome(figlio);
        if (n == u"Data"_s)
            data(t, QStringLiteral("DV_Data"), figlio, QStringLiteral("DV_Data"));
        else
            t.mettiTesto(unisci(QLatin1String("DV_"), n), figlio);
    }
}

RigaFattura& LettoreFattura::scriviBlocco(pugi::xml_node elemento, int codice, qint64 rigDet) {
    const BloccoDatiGen* b = bloccoPerCodice(codice);
    const QString ident = b->xmlIdent;
    const QString prefisso = b->prefisso;
    RigaFattura& r = out_->datiGen.emplace_back(nomi_);
    // Names made once: every block row writes them, in this order.
    static const QString Anno = store::XmlAnno, Numero = store::XmlNumRif, Ident = store::XMLIdent,
                         Riga = store::XmlRigDet, NumEle = store::XmlNumEle;
    r.metti(Anno, anno_);
    r.metti(Numero, numero_);
    r.mettiTesto(Ident, ident);
    r.metti(Riga, rigDet);
    r.metti(NumEle, ++contatori_[static_cast<size_t>(codice)]);

    QStringList righeRiferite;
    QString natura;
    for (pugi::xml_node figlio : FigliElemento(elemento)) {
        const QString n = nome(figlio);
        const QString c = unisci(b->prefisso, n);
        if (n == u"RiferimentoNumeroLinea"_s)
            righeRiferite << ValoreTesto(figlio).trimmed();
        else if (n == u"Data"_s || n == u"DataDDT"_s || n == u"RiferimentoData"_s)
            data(r, c, figlio, EtichettaTagDatiGen(figlio, ident));
        else if (n == u"RiferimentoFase"_s) {
            const auto v = valoreNumeroSilenzioso(figlio);
            r.metti(c,
                    v ? QVariant(static_cast<qlonglong>(v->decimillesimi() / Currency::Scala)) : QVariant());
        } else if (n == u"AlCassa"_s || n == u"ImportoContributoCassa"_s || n == u"ImponibileCassa"_s ||
                   n == u"AliquotaIVA"_s || n == u"Percentuale"_s || n == u"Importo"_s ||
                   n == u"ImportoRitenuta"_s || n == u"AliquotaRitenuta"_s || n == u"RiferimentoNumero"_s)
            importo(r, c, figlio, [&] { return EtichettaTagDatiGen(figlio, ident); });
        else if (n == u"Attachment"_s) {
            if (opzioni_.estraiAllegati)
                out_->allegati.push_back({figlio, TestoFiglio(elemento, u"NomeAttachment")});
        } else {
            r.mettiTesto(c, figlio);
            if (n == u"Natura"_s)
                natura = ValoreTesto(figlio).trimmed();
        }
    }
    if (!righeRiferite.isEmpty())
        r.mettiTesto(prefisso + QStringLiteral("RiferimentoNumeroLinea"), righeRiferite.join(u','));

    if (codice == BloccoDatiCassaPrevidenziale) {
        const Currency contributo =
            r.valuta(prefisso + QStringLiteral("ImportoContributoCassa")).value_or(Currency());
        contributiCassa_ += contributo;
        // The contribution is taxed with the lines of its rate: the summary holds both.
        imponibileRighe_[chiaveTotale(r.valuta(prefisso + QStringLiteral("AliquotaIVA")), natura)] +=
            contributo;
        const ChiaveIva& k = ivaPerChiave(r.valuta(prefisso + QStringLiteral("AliquotaIVA")), natura, 0, {});
        r.mettiTesto(prefisso + QStringLiteral("Iva"), k.iva);
    } else if (codice == BloccoDatiRitenuta) {
        ritenute_ += r.valuta(prefisso + QStringLiteral("ImportoRitenuta")).value_or(Currency());
        cercaContoCassa(r.testo(prefisso + QStringLiteral("TipoRitenuta")).trimmed(),
                        r.valuta(prefisso + QStringLiteral("AliquotaRitenuta")));
    } else if (codice == BloccoScontoMaggiorazione) {
        const Currency importo = r.valuta(prefisso + QStringLiteral("Importo")).value_or(Currency());
        scontiDocumento_ +=
            r.testo(prefisso + QStringLiteral("Tipo")).trimmed() == u"MG"_s ? importo : -importo;
    }
    return r;
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

    bool reverseCharge = reverseChargeScaricato_;
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
    else if (modalita_ == u"MP04"_s || modalita_ == u"MP05"_s || modalita_ == u"MP17"_s)
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
        mettiConto(t, QStringLiteral("CassaPrev"), *contoCassa_);
    }
    out_->totale = t.valuta(QStringLiteral("DGD_ImportoTotaleDocumento"));
    if (!out_->totale && conRiepilogo_)
        out_->totale = inverti_ ? -totaleRiepilogo_ : totaleRiepilogo_;
    avvisiTestata();
}

void LettoreFattura::avvisiTestata() {
    const RigaFattura& t = out_->testata;
    QStringList& a = out_->avvisi;
    // "P.Iva 0123 Cod.Fisc. ABC", each part only when the file gives it.
    const auto chi = [](const QString& partitaIva, const QString& codiceFiscale) {
        QString testo = QStringLiteral("P.Iva ") + citaValore(partitaIva);
        if (!codiceFiscale.isEmpty())
            testo += QStringLiteral(" Cod.Fisc. ") + citaValore(codiceFiscale);
        return testo;
    };
    // An invoice addressed to somebody else does not belong in this company's books.
    const QString pIvaCc = t.testo(QStringLiteral("CC_DA_IdFiscaleIVA_IdCodice")).trimmed();
    const QString cfCc = t.testo(QStringLiteral("CC_DA_CodiceFiscale")).trimmed();
    const bool ditta =
        (!pIvaCc.isEmpty() && pIvaCc.compare(par_.partitaIvaDitta, Qt::CaseInsensitive) == 0) ||
        (!cfCc.isEmpty() && (cfCc.compare(par_.codFiscDitta, Qt::CaseInsensitive) == 0 ||
                             cfCc.compare(par_.partitaIvaDitta, Qt::CaseInsensitive) == 0));
    if (!ditta && (!par_.partitaIvaDitta.isEmpty() || !par_.codFiscDitta.isEmpty()))
        a << QStringLiteral("Cessionario non corrispondente alla ditta: ") + chi(pIvaCc, cfCc);
    if (righeDaCompletare_ > MassimoRigheAvvisate)
        a << QStringLiteral("Altre %1 righe senza codice IVA o contropartita")
                 .arg(righeDaCompletare_ - MassimoRigheAvvisate);
    if (!fornitore_.trovato())
        a << QStringLiteral("Fornitore non trovato in archivio: ") +
                 chi(t.testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")),
                     t.testo(QStringLiteral("CP_DA_CodiceFiscale")));
    if (t.testo(QStringLiteral("Causale")).isEmpty())
        a << QStringLiteral("Causale contabile non trovata per il tipo documento ") +
                 citaValore(t.testo(QStringLiteral("DGD_TipoDocumento")));
    // Lines against the VAT summary, rate by rate: the summary is what gets posted.
    if (!semplificata_ && !imponibileRiepilogo_.isEmpty()) {
        QStringList chiavi = imponibileRighe_.keys() + imponibileRiepilogo_.keys();
        chiavi.removeDuplicates();
        chiavi.sort();
        for (const QString& k : chiavi) {
            const Currency righe = imponibileRighe_.value(k), riepilogo = imponibileRiepilogo_.value(k);
            if (righe.arrotonda(2, Arrotondamento::S) != riepilogo)
                a << QStringLiteral("Totale righe %1 (%2) diverso dal riepilogo IVA (%3)")
                         .arg(k, formatta(righe, u"#,##0.00"), formatta(riepilogo, u"#,##0.00"));
        }
    }
    avvisoTotaleDocumento();
}

// The document total against taxable plus VAT of the summary. The rules let the total hold the
// document's rounding and its discounts or surcharges; senders commonly add the stamp duty
// charged to us and pension-fund contributions they left out of the summary, or take the
// withholding off: a total explained by any of these together is no fault.
void LettoreFattura::avvisoTotaleDocumento() {
    if (!totaleDocumento_ || !conRiepilogo_)
        return;
    const RigaFattura& t = out_->testata;
    const Currency totale = totaleDocumento_->arrotonda(2, Arrotondamento::S);
    const Currency riepilogo = totaleRiepilogo_.arrotonda(2, Arrotondamento::S);
    const Currency ritenute =
        ritenute_ + t.valuta(QStringLiteral("DGD_DR_ImportoRitenuta")).value_or(Currency());
    const Currency differenze[] = {t.valuta(QStringLiteral("DGD_Arrotondamento")).value_or(Currency()),
                                   t.valuta(QStringLiteral("DGD_DB_ImportoBollo")).value_or(Currency()),
                                   contributiCassa_, scontiDocumento_, -ritenute};
    constexpr int N = static_cast<int>(std::size(differenze));
    for (int scelta = 0; scelta < (1 << N); ++scelta) {
        Currency atteso = riepilogo;
        for (int k = 0; k < N; ++k)
            if (scelta & (1 << k))
                atteso += differenze[k];
        if (atteso.arrotonda(2, Arrotondamento::S) == totale)
            return;
    }
    out_->avvisi << QStringLiteral("Totale documento %1 diverso da imponibile più IVA del riepilogo (%2)")
                        .arg(formatta(totale, u"#,##0.00"), formatta(riepilogo, u"#,##0.00"));
}

} // namespace tesel
