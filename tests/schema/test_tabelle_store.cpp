#include "schema/schema.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <pugixml.hpp>

using namespace tesel::schema;

namespace {

constexpr int illimitata = std::numeric_limits<int>::max();

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
                EXPECT_EQ(c->tipo, Tipo::Data) << dove;
            }
        }
        const bool scartata = std::any_of(std::begin(regole), std::end(regole), [&](const Regola& r) {
            return !r.prefisso && racchiude(r.percorso, f.percorso);
        });
        EXPECT_TRUE(conservata || scartata) << "no table stores " << f.percorso.toStdString();
    }
    EXPECT_GT(verificate, 200);
}

} // namespace
