#include "schema/schema.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <pugixml.hpp>

using namespace tesel::schema;

namespace {

constexpr int illimitata = std::numeric_limits<int>::max();

const Tabella& tabella(const QString& nome) {
    static const std::vector<Tabella> store = tabelleStore();
    const Tabella* t = trovaTabella(store, nome);
    if (!t)
        throw std::runtime_error("missing table " + nome.toStdString());
    return *t;
}

// How long a text the column holds.
int capienza(const Colonna& c) {
    switch (c.tipo) {
    case Tipo::Memo:
        return illimitata;
    case Tipo::Testo:
        return c.lunghezza == 0 ? illimitata : c.lunghezza;
    case Tipo::Sino:
        return 1;
    default:
        return 0;
    }
}

const char* nomeTipo(Tipo t) {
    switch (t) {
    case Tipo::Testo:
        return "Testo";
    case Tipo::Memo:
        return "Memo";
    case Tipo::Intero:
        return "Intero";
    case Tipo::Lungo:
        return "Lungo";
    case Tipo::Valuta:
        return "Valuta";
    case Tipo::Doppio:
        return "Doppio";
    case Tipo::Data:
        return "Data";
    case Tipo::Sino:
        return "Sino";
    }
    return "?";
}

// Columns the import, the review forms, the posting and the print address by name.
struct ColonneAttese {
    const char* tabella;
    Tipo tipo;
    const char* nomi; // blank-separated
};

const ColonneAttese colonneAttese[] = {
    {"FatXmlTest", Tipo::Intero, "XmlAnno"},
    {"FatXmlTest", Tipo::Lungo, "XmlNumRif"},
    {"FatXmlTest", Tipo::Testo,
     "NomeFile FEIDHub identificativoSdi GruppoFor MastroFor ContoFor Causale PreProt PreDoc Moneta Banca "
     "Pagamento Ufficio GruppoCassaPrev MastroCassaPrev ContoCassaPrev "
     "DT_IdTrasmittente_IdPaese DT_IdTrasmittente_IdCodice DT_ProgressivoInvio DT_FormatoTrasmissione "
     "DT_CodiceDestinatario DT_ContattiTrasmittente_Telefono DT_ContattiTrasmittente_Email "
     "DT_PECDestinatario "
     "CP_DA_IdFiscaleIVA_IdPaese CP_DA_IdFiscaleIVA_IdCodice CP_DA_CodiceFiscale "
     "CP_DA_Anagrafica_Denominazione "
     "CP_DA_Anagrafica_Nome CP_DA_Anagrafica_Cognome CP_DA_Anagrafica_Titolo CP_DA_Anagrafica_CodEORI "
     "CP_DA_AlboProfessionale CP_DA_ProvinciaAlbo CP_DA_NumeroIscrizioneAlbo CP_DA_RegimeFiscale "
     "CP_SEDE_Indirizzo CP_Sede_NumeroCivico CP_Sede_CAP CP_Sede_Comune CP_Sede_Provincia CP_Sede_Nazione "
     "CP_SO_Indirizzo CP_SO_NumeroCivico CP_SO_CAP CP_SO_Comune CP_SO_Provincia CP_SO_Nazione "
     "CP_REA_Ufficio CP_REA_NumeroREA CP_REA_SocioUnico CP_REA_StatoLiquidazione "
     "CP_Contatti_Telefono CP_Contatti_Fax CP_Contatti_Email CP_RiferimentoAmministrazione "
     "RF_DA_IdFiscaleIVA_IdPaese RF_DA_IdFiscaleIVA_IdCodice RF_DA_CodiceFiscale "
     "RF_DA_Anagrafica_Denominazione "
     "RF_DA_Anagrafica_Nome RF_DA_Anagrafica_Cognome RF_DA_Anagrafica_Titolo RF_DA_Anagrafica_CodEORI "
     "CC_DA_IdFiscaleIVA_IdPaese CC_DA_IdFiscaleIVA_IdCodice CC_DA_CodiceFiscale "
     "CC_DA_Anagrafica_Denominazione "
     "CC_DA_Anagrafica_Nome CC_DA_Anagrafica_Cognome CC_DA_Anagrafica_Titolo CC_DA_Anagrafica_CodEORI "
     "CC_Sede_Indirizzo CC_Sede_NumeroCivico CC_Sede_CAP CC_Sede_Comune CC_Sede_Provincia CC_Sede_Nazione "
     "CC_SO_Indirizzo CC_SO_NumeroCivico CC_SO_CAP CC_SO_Comune CC_SO_Provincia CC_SO_Nazione "
     "CC_RF_IdFiscaleIVA_IdPaese CC_RF_IdFiscaleIVA_IdCodice CC_RF_Denominazione CC_RF_Nome CC_RF_Cognome "
     "TISE_DA_IdFiscaleIVA_IdPaese TISE_DA_IdFiscaleIVA_IdCodice TISE_DA_CodiceFiscale "
     "TISE_DA_Anagrafica_Denominazione TISE_DA_Anagrafica_Nome TISE_DA_Anagrafica_Cognome "
     "TISE_DA_Anagrafica_Titolo TISE_DA_Anagrafica_CodEORI SoggettoEmittente "
     "DGD_TipoDocumento DGD_Divisa DGD_Numero DGD_DR_TipoRitenuta DGD_DR_CausalePagamento "
     "DGD_DB_BolloVirtuale "
     "DGD_BolloVirtuale DGD_Art73 DV_TotalePercorso "
     "DGD_DT_DAV_IdFiscaleIVA_IdPaese DGD_DT_DAV_IdFiscaleIVA_IdCodice DGD_DT_DAV_CodiceFiscale "
     "DGD_DT_DAV_Anagrafica_Denominazione DGD_DT_DAV_Anagrafica_Nome DGD_DT_DAV_Anagrafica_Cognome "
     "DGD_DT_DAV_Anagrafica_Titolo DGD_DT_DAV_Anagrafica_CodEORI DGD_DT_DAV_NumeroLicenzaGuida "
     "DGD_DT_MezzoTrasporto DGD_DT_CausaleTrasporto DGD_DT_Descrizione DGD_DT_UnitaMisuraPeso "
     "DGD_DT_TipoResa "
     "DGD_DT_IR_Indirizzo DGD_DT_IR_NumeroCivico DGD_DT_IR_CAP DGD_DT_IR_Comune DGD_DT_IR_Provincia "
     "DGD_DT_IR_Nazione"},
    {"FatXmlTest", Tipo::Memo, "DGD_Causale CP_RappresentanteFiscale"},
    {"FatXmlTest", Tipo::Sino, "Stampato Contabilizzato Ivata"},
    {"FatXmlTest", Tipo::Data,
     "DataRicSdi CP_DA_DataIscrizioneAlbo DGD_Data DV_Data DGD_DT_DataOraRitiro DGD_DT_DataInizioTrasporto "
     "DGD_DT_DataOraConsegna"},
    {"FatXmlTest", Tipo::Valuta,
     "CP_REA_CapitaleSociale DGD_DR_ImportoRitenuta DGD_DR_AliquotaRitenuta DGD_DB_ImportoBollo "
     "DGD_ImportoTotaleDocumento DGD_Arrotondamento DGD_DT_NumeroColli DGD_DT_PesoLordo DGD_DT_PesoNetto"},

    {"FatXmlDett", Tipo::Intero, "XmlAnno"},
    {"FatXmlDett", Tipo::Lungo, "XmlNumRif XmlRigDet NumIvaDoppia KitRifRiga"},
    {"FatXmlDett", Tipo::Testo,
     "NumeroLinea TipoCessionePrestazione Descrizione UnitaMisura RiferimentoAmministrazione Ritenuta Natura "
     "QuantitaStr PrezzoUnitarioStr PrezzoTotaleStr CA_CodiceTipo CA_CodiceValore SM_Tipo SM_ImportoStr "
     "Articolo "
     "GruppoCPartita MastroCPartita ContoCPartita Iva TipoRiga KitPadreFiglio RiferimentoNormativo"},
    {"FatXmlDett", Tipo::Memo, "SM_Percentuale"},
    {"FatXmlDett", Tipo::Valuta, "Quantita PrezzoUnitario PrezzoTotale AliquotaIVA SM_Importo"},
    {"FatXmlDett", Tipo::Data, "DataInizioPeriodo DataFinePeriodo"},
    {"FatXmlDett", Tipo::Sino, "Omaggio SpesaTrasporto SpesaBollo SpesaIncasso"},

    {"FatXmlIva", Tipo::Intero, "XmlAnno"},
    {"FatXmlIva", Tipo::Lungo, "XmlNumRif XmlRigDet NumIvaDoppia"},
    {"FatXmlIva", Tipo::Valuta, "AliquotaIVA ImponibileImporto Imposta Arrotondamento SpeseAccessorie"},
    {"FatXmlIva", Tipo::Testo, "Natura EsigibilitaIVA RiferimentoNormativo Iva AFEIvaEse"},

    {"FatXmlPag", Tipo::Intero, "XmlAnno"},
    {"FatXmlPag", Tipo::Lungo, "XmlNumRif XmlRigDet NumCond GiorniTerminiPagamento"},
    {"FatXmlPag", Tipo::Testo,
     "CondizioniPagamento Beneficiario ModalitaPagamento CodicePagamento IstitutoFinanziario IBAN ABI CAB "
     "BIC "
     "CodUfficioPostale CognomeQuietanzante NomeQuietanzante CFQuietanzante TitoloQuietanzante AFETipPag "
     "PagTipo "
     "Banca"},
    {"FatXmlPag", Tipo::Data,
     "DataRiferimentoTerminiPagamento DataScadenzaPagamento DataLimitePagamentoAnticipato "
     "DataDecorrenzaPenale"},
    {"FatXmlPag", Tipo::Valuta, "ImportoPagamento ScontoPagamentoAnticipato PenalitaPagamentiRitardati"},

    {"FatXmlDatiGen", Tipo::Intero, "XmlAnno"},
    {"FatXmlDatiGen", Tipo::Lungo, "XmlNumRif XmlRigDet XmlNumEle DGD_DS_RiferimentoFase RiferimentoFase"},
    {"FatXmlDatiGen", Tipo::Testo,
     "XMLIdent DGD_DOA_IdDocumento DGD_DOA_NumItem DGD_DOA_CodiceCommessaConvenzione DGD_DOA_CodiceCUP "
     "DGD_DOA_CodiceCIG DGD_DCT_IdDocumento DGD_DCO_CodiceCIG DGD_DR_NumItem DGD_DFC_IdDocumento "
     "DGD_DDT_NumeroDDT DGD_DCP_TipoCassa DGD_DCP_Ritenuta DGD_DCP_Natura DGD_DCP_RiferimentoAmministrazione "
     "DGD_DCP_Iva DGD_SM_Tipo ALL_NomeAttachment ALL_AlgoritmoCompressione ALL_FormatoAttachment "
     "ALL_DescrizioneAttachment CA_CodiceTipo CA_CodiceValore ART_SM_Tipo ADG_TipoDato ADG_RiferimentoTesto "
     "DGD_DR_TipoRitenuta DGD_DR_CausalePagamento"},
    {"FatXmlDatiGen", Tipo::Memo,
     "DGD_DOA_RiferimentoNumeroLinea DGD_DCT_RiferimentoNumeroLinea DGD_DCO_RiferimentoNumeroLinea "
     "DGD_DR_RiferimentoNumeroLinea DGD_DFC_RiferimentoNumeroLinea DGD_DDT_RiferimentoNumeroLinea"},
    {"FatXmlDatiGen", Tipo::Data,
     "DGD_DOA_Data DGD_DCT_Data DGD_DCO_Data DGD_DR_Data DGD_DFC_Data DGD_DDT_DataDDT ADG_RiferimentoData"},
    {"FatXmlDatiGen", Tipo::Valuta,
     "DGD_DCP_AlCassa DGD_DCP_ImportoContributoCassa DGD_DCP_ImponibileCassa DGD_DCP_AliquotaIVA "
     "DGD_SM_Percentuale DGD_SM_Importo ART_SM_Percentuale ART_SM_Importo ADG_RiferimentoNumero "
     "DGD_DR_ImportoRitenuta DGD_DR_AliquotaRitenuta"},
};

TEST(TabelleStore, everyColumnAddressedByNameExistsWithItsType) {
    for (const auto& attese : colonneAttese) {
        const Tabella& t = tabella(attese.tabella);
        for (const QString& nome : QString(attese.nomi).split(u' ', Qt::SkipEmptyParts)) {
            const Colonna* c = t.colonna(nome);
            if (!c) {
                ADD_FAILURE() << attese.tabella << "." << nome.toStdString() << " is missing";
                continue;
            }
            EXPECT_STREQ(nomeTipo(c->tipo), nomeTipo(attese.tipo))
                << attese.tabella << "." << nome.toStdString();
        }
    }
}

TEST(TabelleStore, holdsTheFiveTablesWithNoColumnTwice) {
    QStringList nomi;
    for (const Tabella& t : tabelleStore()) {
        nomi << t.nome;
        QSet<QString> visti;
        for (const Colonna& c : t.colonne) {
            EXPECT_FALSE(visti.contains(c.nome.toLower()))
                << t.nome.toStdString() << "." << c.nome.toStdString() << " appears twice";
            visti.insert(c.nome.toLower());
        }
    }
    EXPECT_EQ(nomi.join(u' ').toStdString(), "FatXmlTest FatXmlDett FatXmlIva FatXmlPag FatXmlDatiGen");
}

TEST(TabelleStore, keysIdentifyTheInvoiceAndItsRowsAndAreNeverNull) {
    const QHash<QString, QStringList> chiavi = {
        {"FatXmlTest", {"XmlAnno", "XmlNumRif"}},
        {"FatXmlDett", {"XmlAnno", "XmlNumRif", "XmlRigDet"}},
        {"FatXmlIva", {"XmlAnno", "XmlNumRif", "XmlRigDet"}},
        {"FatXmlPag", {"XmlAnno", "XmlNumRif", "XmlRigDet", "NumCond"}},
        {"FatXmlDatiGen", {"XmlAnno", "XmlNumRif", "XMLIdent", "XmlRigDet", "XmlNumEle"}},
    };
    for (auto it = chiavi.begin(); it != chiavi.end(); ++it) {
        const Tabella& t = tabella(it.key());
        EXPECT_EQ(t.chiave.join(u',').toLower().toStdString(), it.value().join(u',').toLower().toStdString())
            << it.key().toStdString();
        for (const QString& k : t.chiave) {
            const Colonna* c = t.colonna(k);
            ASSERT_NE(c, nullptr) << it.key().toStdString() << "." << k.toStdString();
            EXPECT_TRUE(c->obbligatoria) << it.key().toStdString() << "." << k.toStdString();
        }
    }
}

TEST(TabelleStore, blockIdentifierHoldsTheLongestBlockName) {
    const Colonna* ident = tabella("FatXmlDatiGen").colonna("XMLIdent");
    ASSERT_NE(ident, nullptr);
    for (const char* nome : {"DatiOrdineAcquisto", "DatiCassaPrevidenziale", "ART_ScontoMaggiorazione",
                             "AltriDatiGestionali", "DatiFattureCollegate"})
        EXPECT_GE(capienza(*ident), int(strlen(nome))) << nome;
}

TEST(TabelleStore, newInvoicesStartNotPrintedAndNotPosted) {
    for (const char* flag : {"Stampato", "Contabilizzato"}) {
        const Colonna* c = tabella("FatXmlTest").colonna(flag);
        ASSERT_NE(c, nullptr) << flag;
        EXPECT_EQ(c->predefinito.toStdString(), "'N'") << flag;
    }
}

TEST(TabelleStore, onlyFileNameAndHubIdentifierMakeAHeaderDuplicate) {
    // Any other unique index would turn an unrelated collision into a false duplicate.
    QStringList unici;
    for (const Indice& i : tabella("FatXmlTest").indici)
        if (i.unico)
            unici << i.colonne.join(u',') + QStringLiteral(" WHERE ") + i.condizione;
    unici.sort();
    EXPECT_EQ(unici.join(u'\n').toStdString(), "FEIDHub WHERE FEIDHub IS NOT NULL AND FEIDHub <> ''\n"
                                               "NomeFile WHERE NomeFile IS NOT NULL AND NomeFile <> ''");
}

TEST(TabelleStore, indexesNameExistingColumnsAndNoIndexNameRepeats) {
    QSet<QString> nomi;
    for (const Tabella& t : tabelleStore())
        for (const Indice& i : t.indici) {
            EXPECT_FALSE(i.nome.isEmpty()) << t.nome.toStdString();
            EXPECT_FALSE(nomi.contains(i.nome.toLower())) << i.nome.toStdString();
            nomi.insert(i.nome.toLower());
            for (const QString& c : i.colonne)
                EXPECT_NE(t.colonna(c), nullptr) << i.nome.toStdString() << " on " << c.toStdString();
        }
    const auto& idx = tabella("FatXmlTest").indici;
    for (const char* colonna : {"CP_DA_IdFiscaleIVA_IdCodice", "DGD_Data", "Contabilizzato"})
        EXPECT_TRUE(std::any_of(idx.begin(), idx.end(),
                                [&](const Indice& i) { return i.colonne.value(0).compare(colonna) == 0; }))
            << "no index leads with " << colonna;
}

TEST(TabelleStore, textsTheImportCutsOrJoinsFitTheirRule) {
    const auto capienzaDi = [](const char* t, const char* nome) {
        const Colonna* c = tabella(t).colonna(nome);
        return c ? capienza(*c) : -1;
    };
    // A line kind longer than 4 is cut to 4, so 4 must fit; joined texts have no limit.
    EXPECT_GE(capienzaDi("FatXmlDett", "TipoRiga"), 4);
    EXPECT_EQ(capienzaDi("FatXmlDett", "SM_Percentuale"), illimitata);
    EXPECT_EQ(capienzaDi("FatXmlTest", "DGD_Causale"), illimitata);
    // Numbers kept as written: the longest FatturaPA quantity or amount has 21 characters.
    for (const char* nome : {"QuantitaStr", "PrezzoUnitarioStr", "PrezzoTotaleStr", "SM_ImportoStr"})
        EXPECT_GE(capienzaDi("FatXmlDett", nome), 21) << nome;
}

// --- Every leaf element of FatturaPA 1.2.2 against the columns that store it ---

// Longest text an XSD pattern accepts (alternatives take their longest branch).
class MisuraPattern {
public:
    explicit MisuraPattern(QString p) : p_(std::move(p)) {}
    int massimo() { return alternative(); }

private:
    static int somma(int a, int b) { return a == illimitata || b == illimitata ? illimitata : a + b; }
    static int volte(int a, int n) { return a == illimitata ? illimitata : a * n; }

    int alternative() {
        int massimo = 0;
        for (;;) {
            massimo = std::max(massimo, sequenza());
            if (i_ < p_.size() && p_[i_] == u'|') {
                ++i_;
                continue;
            }
            return massimo;
        }
    }
    int sequenza() {
        int totale = 0;
        while (i_ < p_.size() && p_[i_] != u'|' && p_[i_] != u')')
            totale = somma(totale, quantificato(atomo()));
        return totale;
    }
    void saltaProprieta() { // \p{Name}
        const qsizetype fine = p_.indexOf(u'}', i_);
        i_ = fine < 0 ? p_.size() : fine + 1;
    }
    int atomo() {
        const QChar c = p_[i_++];
        if (c == u'(') {
            const int n = alternative();
            ++i_;
            return n;
        }
        if (c == u'[') {
            while (i_ < p_.size() && p_[i_] != u']') {
                if (p_[i_] == u'\\' && i_ + 1 < p_.size() && (p_[i_ + 1] == u'p' || p_[i_ + 1] == u'P'))
                    saltaProprieta();
                else
                    i_ += p_[i_] == u'\\' ? 2 : 1;
            }
            ++i_;
        } else if (c == u'\\') {
            if (i_ < p_.size() && (p_[i_] == u'p' || p_[i_] == u'P'))
                saltaProprieta();
            else
                ++i_;
        }
        return 1;
    }
    int quantificato(int n) {
        if (i_ >= p_.size())
            return n;
        const QChar q = p_[i_];
        if (q == u'?') {
            ++i_;
            return n;
        }
        if (q == u'*' || q == u'+') {
            ++i_;
            return illimitata;
        }
        if (q == u'{') {
            const qsizetype fine = p_.indexOf(u'}', i_);
            const QStringList limiti = p_.mid(i_ + 1, fine - i_ - 1).split(u',');
            i_ = fine + 1;
            if (limiti.size() == 2 && limiti[1].isEmpty())
                return illimitata;
            return volte(n, limiti.back().toInt());
        }
        return n;
    }

    QString p_;
    qsizetype i_ = 0;
};

struct Foglia {
    QString percorso; // from FatturaElettronicaHeader or FatturaElettronicaBody
    QString base;     // XSD built-in type at the root of the element's type
    int lunghezza;    // longest text the schema allows
    bool ripetuta;    // the leaf itself may occur more than once
};

class SchemaXsd {
public:
    explicit SchemaXsd(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return;
        const QByteArray testo = f.readAll();
        if (!doc_.load_buffer(testo.constData(), testo.size()))
            return;
        for (pugi::xml_node n : doc_.document_element().children()) {
            if (std::string_view(n.name()) == "xs:complexType")
                complessi_.insert(n.attribute("name").value(), n);
            else if (std::string_view(n.name()) == "xs:simpleType")
                semplici_.insert(n.attribute("name").value(), n);
        }
    }
    bool valido() const { return !complessi_.isEmpty(); }

    std::vector<Foglia> foglie() const {
        std::vector<Foglia> out;
        visita("FatturaElettronicaHeaderType", "FatturaElettronicaHeader", out);
        visita("FatturaElettronicaBodyType", "FatturaElettronicaBody", out);
        return out;
    }

private:
    static QString locale(const char* tipo) { return QString::fromUtf8(tipo).section(u':', -1); }

    void visita(const QString& tipo, const QString& percorso, std::vector<Foglia>& out) const {
        for (pugi::xpath_node x : complessi_.value(tipo).select_nodes(".//xs:element")) {
            const pugi::xml_node e = x.node();
            const QString nome = QString::fromUtf8(e.attribute("name").value());
            const QString tipoFiglio = locale(e.attribute("type").value());
            const QString qui = percorso + u'/' + nome;
            if (complessi_.contains(tipoFiglio))
                visita(tipoFiglio, qui, out);
            else
                out.push_back({qui, base(tipoFiglio), lunghezza(tipoFiglio),
                               QString::fromUtf8(e.attribute("maxOccurs").as_string("1")) != u"1"});
        }
    }
    QString base(const QString& tipo) const {
        const pugi::xml_node s = semplici_.value(tipo);
        if (!s)
            return tipo;
        return base(locale(s.child("xs:restriction").attribute("base").value()));
    }
    int lunghezza(const QString& tipo) const {
        const pugi::xml_node s = semplici_.value(tipo);
        if (!s)
            return illimitata;
        const pugi::xml_node r = s.child("xs:restriction");
        int n = lunghezza(locale(r.attribute("base").value()));
        int enumerazione = -1;
        for (pugi::xml_node f : r.children()) {
            const std::string_view faccia = f.name();
            const QString valore = QString::fromUtf8(f.attribute("value").value());
            if (faccia == "xs:maxLength" || faccia == "xs:length")
                n = std::min(n, valore.toInt());
            else if (faccia == "xs:pattern")
                n = std::min(n, MisuraPattern(valore).massimo());
            else if (faccia == "xs:enumeration")
                enumerazione = std::max(enumerazione, int(valore.size()));
        }
        return enumerazione >= 0 ? std::min(n, enumerazione) : n;
    }

    pugi::xml_document doc_;
    QHash<QString, pugi::xml_node> complessi_;
    QHash<QString, pugi::xml_node> semplici_;
};

// Where the elements under a path are stored in one table: the block prefix, or none when
// that table does not keep them. For each table the longest path enclosing an element wins.
struct Regola {
    const char* percorso;
    const char* tabella;
    const char* prefisso;
};

#define H "FatturaElettronicaHeader/"
#define B "FatturaElettronicaBody/"
#define DGD B "DatiGenerali/DatiGeneraliDocumento"
#define LINEA B "DatiBeniServizi/DettaglioLinee"

const Regola regole[] = {
    {H "DatiTrasmissione", "FatXmlTest", "DT_"},
    {H "CedentePrestatore", "FatXmlTest", "CP_"},
    {H "CedentePrestatore/DatiAnagrafici", "FatXmlTest", "CP_DA_"},
    {H "CedentePrestatore/Sede", "FatXmlTest", "CP_Sede_"},
    {H "CedentePrestatore/StabileOrganizzazione", "FatXmlTest", "CP_SO_"},
    {H "CedentePrestatore/IscrizioneREA", "FatXmlTest", "CP_REA_"},
    {H "CedentePrestatore/Contatti", "FatXmlTest", "CP_Contatti_"},
    {H "RappresentanteFiscale/DatiAnagrafici", "FatXmlTest", "RF_DA_"},
    {H "CessionarioCommittente/DatiAnagrafici", "FatXmlTest", "CC_DA_"},
    {H "CessionarioCommittente/Sede", "FatXmlTest", "CC_Sede_"},
    {H "CessionarioCommittente/StabileOrganizzazione", "FatXmlTest", "CC_SO_"},
    {H "CessionarioCommittente/RappresentanteFiscale", "FatXmlTest", "CC_RF_"},
    {H "TerzoIntermediarioOSoggettoEmittente/DatiAnagrafici", "FatXmlTest", "TISE_DA_"},
    {H "SoggettoEmittente", "FatXmlTest", ""},
    {DGD, "FatXmlTest", "DGD_"},
    {DGD "/DatiRitenuta", "FatXmlTest", "DGD_DR_"}, // the first one
    {DGD "/DatiBollo", "FatXmlTest", "DGD_DB_"},
    {DGD "/DatiCassaPrevidenziale", "FatXmlTest", nullptr},
    {DGD "/ScontoMaggiorazione", "FatXmlTest", nullptr},
    {B "DatiGenerali/DatiTrasporto", "FatXmlTest", "DGD_DT_"},
    {B "DatiGenerali/DatiTrasporto/DatiAnagraficiVettore", "FatXmlTest", "DGD_DT_DAV_"},
    {B "DatiGenerali/DatiTrasporto/IndirizzoResa", "FatXmlTest", "DGD_DT_IR_"},
    {B "DatiGenerali/FatturaPrincipale", "FatXmlTest", nullptr},
    {B "DatiVeicoli", "FatXmlTest", "DV_"},

    {LINEA, "FatXmlDett", ""},
    {LINEA "/CodiceArticolo", "FatXmlDett", "CA_"},      // the first one
    {LINEA "/ScontoMaggiorazione", "FatXmlDett", "SM_"}, // the first one
    {LINEA "/AltriDatiGestionali", "FatXmlDett", nullptr},
    {B "DatiBeniServizi/DatiRiepilogo", "FatXmlIva", ""},
    {B "DatiPagamento", "FatXmlPag", ""},
    {B "DatiPagamento/DettaglioPagamento", "FatXmlPag", ""},

    {B "DatiGenerali/DatiOrdineAcquisto", "FatXmlDatiGen", "DGD_DOA_"},
    {B "DatiGenerali/DatiContratto", "FatXmlDatiGen", "DGD_DCT_"},
    {B "DatiGenerali/DatiConvenzione", "FatXmlDatiGen", "DGD_DCO_"},
    {B "DatiGenerali/DatiRicezione", "FatXmlDatiGen", "DGD_DR_"},
    {B "DatiGenerali/DatiFattureCollegate", "FatXmlDatiGen", "DGD_DFC_"},
    {B "DatiGenerali/DatiSAL", "FatXmlDatiGen", "DGD_DS_"},
    {B "DatiGenerali/DatiDDT", "FatXmlDatiGen", "DGD_DDT_"},
    {DGD "/DatiCassaPrevidenziale", "FatXmlDatiGen", "DGD_DCP_"},
    {DGD "/ScontoMaggiorazione", "FatXmlDatiGen", "DGD_SM_"},
    {B "Allegati", "FatXmlDatiGen", "ALL_"},
    {B "Allegati/Attachment", "FatXmlDatiGen", nullptr},
    {LINEA "/CodiceArticolo", "FatXmlDatiGen", "CA_"},
    {LINEA "/ScontoMaggiorazione", "FatXmlDatiGen", "ART_SM_"},
    {LINEA "/AltriDatiGestionali", "FatXmlDatiGen", "ADG_"},
    {DGD "/DatiRitenuta", "FatXmlDatiGen", "DGD_DR_"}, // the second and later ones
};

#undef H
#undef B
#undef DGD
#undef LINEA

bool racchiude(const char* percorso, const QString& foglia) {
    const QString p = QString::fromUtf8(percorso);
    return foglia == p || foglia.startsWith(p + u'/');
}

// The column of the table that stores the leaf, or an empty text when that table does not.
QString colonnaDi(const QString& foglia, const QString& nomeTabella) {
    const Regola* migliore = nullptr;
    for (const Regola& r : regole)
        if (nomeTabella == r.tabella && racchiude(r.percorso, foglia) &&
            (!migliore || strlen(r.percorso) > strlen(migliore->percorso)))
            migliore = &r;
    if (!migliore || !migliore->prefisso)
        return {};
    const qsizetype n = qsizetype(strlen(migliore->percorso));
    // a rule naming the leaf itself stores it under its own name
    QString resto = foglia.size() == n ? foglia.section(u'/', -1) : foglia.mid(n + 1);
    return migliore->prefisso + resto.replace(u'/', u'_');
}

TEST(TabelleStore, everyLeafOfTheFatturaPaSchemaHasAColumnWideEnoughForIt) {
    const SchemaXsd xsd(
        QStringLiteral(TESEL_FIXTURE_DIR "/schemi/gobl-fatturapa/Schema_del_file_xml_FatturaPA_v1.2.2.xsd"));
    ASSERT_TRUE(xsd.valido()) << "FatturaPA schema not found under " TESEL_FIXTURE_DIR;
    const auto foglie = xsd.foglie();
    ASSERT_GT(foglie.size(), 200u);

    int verificate = 0;
    for (const Foglia& f : foglie) {
        bool conservata = false;
        for (const Tabella& t : tabelleStore()) {
            const QString nome = colonnaDi(f.percorso, t.nome);
            if (nome.isEmpty())
                continue;
            conservata = true;
            const std::string dove =
                t.nome.toStdString() + "." + nome.toStdString() + " for " + f.percorso.toStdString();
            const Colonna* c = t.colonna(nome);
            if (!c) {
                ADD_FAILURE() << dove << " is missing";
                continue;
            }
            ++verificate;
            if (f.ripetuta) { // repeated leaves are joined into one text
                EXPECT_EQ(capienza(*c), illimitata) << dove;
            } else if (f.base == u"string" || f.base == u"normalizedString" || f.base == u"token") {
                EXPECT_GE(capienza(*c), f.lunghezza) << dove;
            } else if (f.base == u"date" || f.base == u"dateTime") {
                EXPECT_STREQ(nomeTipo(c->tipo), "Data") << dove;
            }
        }
        const bool scartata = std::any_of(std::begin(regole), std::end(regole), [&](const Regola& r) {
            return !r.prefisso && racchiude(r.percorso, f.percorso);
        });
        EXPECT_TRUE(conservata || scartata) << "no table stores " << f.percorso.toStdString();
    }
    EXPECT_GT(verificate, 200);
}

TEST(TabelleStore, patternMeasureReadsTheSchemaQuantifiers) {
    // The measure the schema test relies on, on the shapes FatturaPA uses.
    EXPECT_EQ(MisuraPattern("[A-Z]{2}").massimo(), 2);
    EXPECT_EQ(MisuraPattern("(\\p{IsBasicLatin}{1,10})").massimo(), 10);
    EXPECT_EQ(MisuraPattern("[\\p{IsBasicLatin}\\p{IsLatin-1Supplement}]{1,1000}").massimo(), 1000);
    EXPECT_EQ(MisuraPattern("[0-9][0-9][0-9][0-9][0-9]").massimo(), 5);
    EXPECT_EQ(MisuraPattern("[a-zA-Z]{2}[0-9]{2}[a-zA-Z0-9]{11,30}").massimo(), 34);
    EXPECT_EQ(MisuraPattern("[A-Z]{6}[A-Z2-9][A-NP-Z0-9]([A-Z0-9]{3}){0,1}").massimo(), 11);
    EXPECT_EQ(MisuraPattern("[\\-]?[0-9]{1,11}\\.[0-9]{2,8}").massimo(), 21);
    EXPECT_EQ(MisuraPattern(".+@.+[.]+.+").massimo(), illimitata);
}

} // namespace
