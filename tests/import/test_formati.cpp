// The shapes real FatturaPA files arrive in, each imported into the demo company and read
// back from the store: namespace prefixes and odd namespace declarations, encodings and BOMs,
// comments, processing instructions and CDATA in every place, blanks around values,
// attachments (large ones, hostile names) and a DOCTYPE that tries to read a local file.

#include "frame/currency.h"
#include "frame/parametri.h"
#include "import/filefattura.h"
#include "import/importazione.h"
#include "schema/demo.h"
#include "store/store.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

using namespace tesel;

namespace {

// ---- A FatturaPA text in many shapes ------------------------------------------------------------

const QByteArray Ns = "http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2";

struct Modello {
    QByteArray bom;
    QByteArray dichiarazione = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    QByteArray doctype;
    QByteArray radice = "p:FatturaElettronica";
    QByteArray attributiRadice = " versione=\"FPR12\" xmlns:p=\"" + Ns + "\"";
    QByteArray prefisso;         // on every element below the root
    QByteArray attributiBlocchi; // on FatturaElettronicaHeader and FatturaElettronicaBody
    QByteArray inRadice;         // first children of the root
    QByteArray inBlocchi;        // first children of the document data, line, summary and payment
    QByteArray descrizione = "Viti zincate M6";
    QByteArray numero = "FA/123";
    QByteArray data = "2024-03-15";
    QByteArray quantita = "2.00", prezzoUnitario = "50.00", prezzoTotale = "100.00", totale = "122.00";
    QByteArray scadenza = "2024-04-15";
    QByteArray allegati; // Allegati blocks, already written

    QByteArray e(const char* nome, const QByteArray& contenuto, const QByteArray& attributi = {}) const {
        return '<' + prefisso + nome + attributi + '>' + contenuto + "</" + prefisso + nome + '>';
    }

    QByteArray testo() const {
        const QByteArray header =
            e("FatturaElettronicaHeader",
              e("DatiTrasmissione", e("IdTrasmittente", e("IdPaese", "IT") + e("IdCodice", "03981270683")) +
                                        e("ProgressivoInvio", "00042") + e("FormatoTrasmissione", "FPR12") +
                                        e("CodiceDestinatario", "0000000")) +
                  e("CedentePrestatore",
                    e("DatiAnagrafici", e("IdFiscaleIVA", e("IdPaese", "IT") + e("IdCodice", "03981270683")) +
                                            e("Anagrafica", e("Denominazione", "Ferramenta Adriatica Srl")) +
                                            e("RegimeFiscale", "RF01")) +
                        e("Sede", e("Indirizzo", "Via Tiburtina 12") + e("CAP", "65129") +
                                      e("Comune", "Pescara") + e("Provincia", "PE") + e("Nazione", "IT"))) +
                  e("CessionarioCommittente",
                    e("DatiAnagrafici", e("IdFiscaleIVA", e("IdPaese", "IT") + e("IdCodice", "01234567890")) +
                                            e("Anagrafica", e("Denominazione", "Demo Srl"))) +
                        e("Sede", e("Indirizzo", "Via Verdi 2") + e("CAP", "20100") + e("Comune", "Milano") +
                                      e("Nazione", "IT"))),
              attributiBlocchi);
        const QByteArray body =
            e("FatturaElettronicaBody",
              e("DatiGenerali",
                e("DatiGeneraliDocumento", inBlocchi + e("TipoDocumento", "TD01") + e("Divisa", "EUR") +
                                               e("Data", data) + e("Numero", numero) +
                                               e("ImportoTotaleDocumento", totale))) +
                  e("DatiBeniServizi",
                    e("DettaglioLinee", inBlocchi + e("NumeroLinea", "1") + e("Descrizione", descrizione) +
                                            e("Quantita", quantita) + e("PrezzoUnitario", prezzoUnitario) +
                                            e("PrezzoTotale", prezzoTotale) + e("AliquotaIVA", "22.00")) +
                        e("DatiRiepilogo", inBlocchi + e("AliquotaIVA", "22.00") +
                                               e("ImponibileImporto", prezzoTotale) + e("Imposta", "22.00") +
                                               e("EsigibilitaIVA", "I"))) +
                  e("DatiPagamento", e("CondizioniPagamento", "TP02") +
                                         e("DettaglioPagamento", inBlocchi + e("ModalitaPagamento", "MP05") +
                                                                     e("DataScadenzaPagamento", scadenza) +
                                                                     e("ImportoPagamento", totale))) +
                  allegati,
              attributiBlocchi);
        return bom + dichiarazione + doctype + '<' + radice + attributiRadice + '>' + inRadice + header +
               body + "</" + radice + ">\n";
    }
};

QByteArray allegato(const QByteArray& nome, const QByteArray& base64) {
    return "<Allegati><NomeAttachment>" + nome +
           "</NomeAttachment><FormatoAttachment>PDF</FormatoAttachment>"
           "<Attachment>" +
           base64 + "</Attachment></Allegati>";
}

QByteArray casuali(qsizetype n, quint32 seme) {
    QRandomGenerator g(seme);
    QByteArray b(n, Qt::Uninitialized);
    for (char& c : b)
        c = static_cast<char>(g.generate() & 0xFF);
    return b;
}

QByteArray leggiFile(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below `cartella`, as paths relative to it.
QStringList fileSotto(const QString& cartella) {
    QStringList r;
    for (QDirIterator it(cartella, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();)
        r << QDir(cartella).relativeFilePath(it.next());
    r.sort();
    return r;
}

// A list of names as one text, one a line, so a failure shows it readably.
std::string elenco(const QStringList& l) {
    return l.join(u'\n').toStdString();
}

std::string importo(const RigaStore& r, const char* colonna) {
    const auto v = r.valuta(QLatin1String(colonna));
    return v ? v->testoXml(2).toStdString() : std::string("null");
}

std::string data(const RigaStore& r, const char* colonna) {
    const auto d = r.data(QLatin1String(colonna));
    return d ? d->toString(Qt::ISODate).toStdString() : std::string("null");
}

std::string testo(const RigaStore& r, const char* colonna) {
    return r.testo(QLatin1String(colonna)).toStdString();
}

// ---- Fixture -------------------------------------------------------------------------------------

class FormatiFattura : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(cartella_.isValid());
        creaAziendaDemo();
        parametri_ = std::make_unique<ParametriAzienda>(db());
    }

    QString scrivi(const QString& relativo, const QByteArray& dati) {
        const QString percorso = cartella_.filePath(relativo);
        QDir().mkpath(QFileInfo(percorso).absolutePath());
        QFile f(percorso);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(dati) == dati.size()) << percorso.toStdString();
        return percorso;
    }

    // Imports one file and returns its only body's stored rows; fails when it did not import.
    FatturaStore importaUna(const QString& percorso, const OpzioniImport& opzioni = {}) {
        ImportatoreFatture importatore(db(), ui_, *parametri_, opzioni);
        const std::vector<EsitoImport> esiti = importatore.importa(percorso);
        EXPECT_EQ(esiti.size(), 1u);
        if (esiti.size() != 1)
            return {};
        EXPECT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
        // Every value of these files converts: no message at all.
        EXPECT_EQ(esiti[0].errori.toStdString(), "");
        return leggiFattura(db(), esiti[0].anno, esiti[0].numRif);
    }

    QTemporaryDir cartella_;
    prova::InterazioneProva ui_;
    std::unique_ptr<ParametriAzienda> parametri_;
};

// ---- One row per real-world shape --------------------------------------------------------------

struct Forma {
    const char* nome;
    Modello (*modello)();
    const char* descrizione; // UTF-8, as stored
    const char* data = "2024-03-15";
    const char* scadenza = "2024-04-15";
};

void PrintTo(const Forma& f, std::ostream* os) {
    *os << f.nome;
}

class FormaFattura : public FormatiFattura, public ::testing::WithParamInterface<Forma> {};

TEST_P(FormaFattura, shouldStoreTheSameInvoiceWhateverItsShape) {
    const Forma& forma = GetParam();
    const FatturaStore f =
        importaUna(scrivi(u"IT03981270683_%1.xml"_s.arg(QLatin1String(forma.nome)), forma.modello().testo()));
    ASSERT_TRUE(f.testata.has_value());
    const RigaStore& t = *f.testata;
    EXPECT_EQ(data(t, "DGD_Data"), forma.data);
    EXPECT_EQ(testo(t, "DGD_Numero"), "FA/123");
    EXPECT_EQ(testo(t, "DGD_TipoDocumento"), "TD01");
    EXPECT_EQ(importo(t, "DGD_ImportoTotaleDocumento"), "122.00");
    EXPECT_EQ(testo(t, "CP_DA_IdFiscaleIVA_IdCodice"), "03981270683");
    EXPECT_EQ(testo(t, "CP_DA_Anagrafica_Denominazione"), "Ferramenta Adriatica Srl");
    EXPECT_EQ(testo(t, "CP_Sede_Comune"), "Pescara");
    EXPECT_EQ(testo(t, "CC_DA_Anagrafica_Denominazione"), "Demo Srl");
    EXPECT_EQ(testo(t, "DT_ProgressivoInvio"), "00042");
    // The supplier was found from the header, so the shape did not hide it.
    EXPECT_EQ(testo(t, "GruppoFor") + "." + testo(t, "MastroFor") + "." + testo(t, "ContoFor"), "40.10.1001");

    ASSERT_EQ(f.dettaglio.size(), 1u);
    const RigaStore& l = f.dettaglio[0];
    EXPECT_EQ(testo(l, "Descrizione"), forma.descrizione);
    EXPECT_EQ(importo(l, "Quantita"), "2.00");
    EXPECT_EQ(importo(l, "PrezzoUnitario"), "50.00");
    EXPECT_EQ(importo(l, "PrezzoTotale"), "100.00");
    EXPECT_EQ(importo(l, "AliquotaIVA"), "22.00");
    EXPECT_EQ(testo(l, "PrezzoTotaleStr"), "100.00");
    EXPECT_FALSE(l.testo(u"Iva"_s).isEmpty());

    ASSERT_EQ(f.iva.size(), 1u);
    EXPECT_EQ(importo(f.iva[0], "ImponibileImporto"), "100.00");
    EXPECT_EQ(importo(f.iva[0], "Imposta"), "22.00");
    EXPECT_EQ(testo(f.iva[0], "EsigibilitaIVA"), "I");

    ASSERT_EQ(f.pagamenti.size(), 1u);
    EXPECT_EQ(importo(f.pagamenti[0], "ImportoPagamento"), "122.00");
    EXPECT_EQ(data(f.pagamenti[0], "DataScadenzaPagamento"), forma.scadenza);
    EXPECT_EQ(testo(f.pagamenti[0], "ModalitaPagamento"), "MP05");
    EXPECT_EQ(testo(f.pagamenti[0], "CondizioniPagamento"), "TP02");
    EXPECT_TRUE(f.datiGen.empty());
}

Modello conRadice(const QByteArray& prefisso) {
    Modello m;
    m.radice = prefisso + "FatturaElettronica";
    m.attributiRadice = " versione=\"FPR12\" xmlns:" + prefisso.chopped(1) + "=\"" + Ns + "\"";
    return m;
}

const Forma Forme[] = {
    {"radice_p", [] { return Modello{}; }, "Viti zincate M6"},
    {"radice_ns2", [] { return conRadice("ns2:"); }, "Viti zincate M6"},
    {"radice_ns3", [] { return conRadice("ns3:"); }, "Viti zincate M6"},
    {"radice_senza_prefisso_ne_namespace",
     [] {
         Modello m;
         m.radice = "FatturaElettronica";
         m.attributiRadice = " versione=\"FPR12\"";
         return m;
     },
     "Viti zincate M6"},
    {"ogni_elemento_con_prefisso",
     [] {
         Modello m;
         m.prefisso = "p:";
         return m;
     },
     "Viti zincate M6"},
    {"namespace_predefinito_e_xmlns_vuoto_sotto",
     [] {
         Modello m;
         m.radice = "FatturaElettronica";
         m.attributiRadice = " versione=\"FPR12\" xmlns=\"" + Ns + "\"";
         m.attributiBlocchi = " xmlns=\"\"";
         return m;
     },
     "Viti zincate M6"},
    {"uri_di_namespace_insoliti",
     [] {
         Modello m;
         m.attributiRadice = " versione=\"FPR12\" xmlns:p=\"urn:fattura elettronica:v1.2 (copia locale)\""
                             " xmlns:sp=\"http://some strange uri/con spazi e accenti \xC3\xA8\""
                             " xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\""
                             " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
                             " xsi:schemaLocation=\"" +
                             Ns + " fatturaordinaria_v1.2.xsd\"";
         return m;
     },
     "Viti zincate M6"},
    {"senza_dichiarazione_xml",
     [] {
         Modello m;
         m.dichiarazione.clear();
         return m;
     },
     "Viti zincate M6"},
    {"bom_utf8",
     [] {
         Modello m;
         m.bom = "\xEF\xBB\xBF";
         m.descrizione = "Caff\xC3\xA8 pi\xC3\xB9 forte \xE2\x80\x93 10 \xE2\x82\xAC";
         return m;
     },
     "Caff\xC3\xA8 pi\xC3\xB9 forte \xE2\x80\x93 10 \xE2\x82\xAC"},
    {"iso_8859_1_con_byte_80",
     [] {
         Modello m;
         m.dichiarazione = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
         m.descrizione = "Listino 10 \x80 al pezzo, qualit\xE0 extra";
         return m;
     },
     "Listino 10 \xE2\x82\xAC al pezzo, qualit\xC3\xA0 extra"},
    {"windows_1252_con_byte_80",
     [] {
         Modello m;
         m.dichiarazione = "<?xml version='1.0' encoding='windows-1252'?>\n";
         m.descrizione = "\x93Offerta\x94 10 \x80 \x96 perch\xE9 s\xEC";
         return m;
     },
     "\xE2\x80\x9COfferta\xE2\x80\x9D 10 \xE2\x82\xAC \xE2\x80\x93 perch\xC3\xA9 s\xC3\xAC"},
    {"istruzioni_e_commenti_ovunque",
     [] {
         Modello m;
         m.dichiarazione += "<?xml-stylesheet type=\"text/xsl\" href=\"fatturaordinaria_v1.2.xsl\"?>\n"
                            "<!-- prima della radice -->\n";
         m.inRadice = "<!-- nella radice --><?elaborazione dati=\"1\"?>\n";
         m.inBlocchi = "<!-- nel blocco: <Descrizione>finta</Descrizione> --><?nota x?>";
         m.descrizione = "Viti <!-- commento -->zincate<?pi y?> M6";
         return m;
     },
     "Viti zincate M6"},
    {"cdata_nella_descrizione",
     [] {
         Modello m;
         m.descrizione = "<![CDATA[Bulloni <M8> & dadi]]> e tubo <![CDATA[\xC3\x98 20]]>";
         return m;
     },
     "Bulloni <M8> & dadi e tubo \xC3\x98 20"},
    {"riferimento_128_per_euro",
     [] {
         Modello m;
         m.descrizione = "Sconto &#128; 5 &amp; resi";
         return m;
     },
     "Sconto \xE2\x82\xAC 5 & resi"},
    {"spazi_attorno_ai_testi",
     [] {
         Modello m;
         m.descrizione = "\t Viti zincate M6  ";
         return m;
     },
     "\t Viti zincate M6  "},
    {"spazi_attorno_a_date_e_importi",
     [] {
         Modello m;
         m.data = "  2014-12-18 ";
         m.scadenza = "\n\t2015-01-31  ";
         m.quantita = " 2.00 ";
         m.prezzoUnitario = "\n  50.00\t";
         m.prezzoTotale = "  100.00 ";
         m.totale = " 122.00 ";
         return m;
     },
     "Viti zincate M6", "2014-12-18", "2015-01-31"},
};

INSTANTIATE_TEST_SUITE_P(Forme, FormaFattura, ::testing::ValuesIn(Forme),
                         [](const ::testing::TestParamInfo<Forma>& i) { return std::string(i.param.nome); });

// ---- Attachments ------------------------------------------------------------------------------

TEST_F(FormatiFattura, shouldExtractAnAttachmentOfSeveralMegabytesByteForByte) {
    const QByteArray grande = casuali(6 * 1024 * 1024 + 7, 20240315);
    const QByteArray piccolo = casuali(10000, 7);
    // The small one in 76-character lines ended by CR LF, as some mail-minded programs write it.
    QByteArray aCapo;
    const QByteArray b64 = piccolo.toBase64();
    for (qsizetype i = 0; i < b64.size(); i += 76)
        aCapo += b64.mid(i, 76) + "\r\n";
    Modello m;
    m.allegati = allegato("Fattura 123.pdf", grande.toBase64()) + allegato("note.bin", aCapo);
    const QString xml = scrivi(u"arrivi/IT03981270683_00077.xml"_s, m.testo());

    OpzioniImport opzioni;
    opzioni.estraiAllegati = true;
    opzioni.cartellaAllegati = cartella_.filePath(u"allegati"_s);
    const FatturaStore f = importaUna(xml, opzioni);
    ASSERT_TRUE(f.testata.has_value());

    EXPECT_EQ(elenco(fileSotto(opzioni.cartellaAllegati)),
              "IT03981270683_00077_Fattura 123.pdf\nIT03981270683_00077_note.bin");
    const QByteArray estratto =
        leggiFile(opzioni.cartellaAllegati + u"/IT03981270683_00077_Fattura 123.pdf"_s);
    EXPECT_EQ(estratto.size(), grande.size());
    EXPECT_TRUE(estratto == grande) << "il contenuto estratto differisce dall'originale";
    EXPECT_TRUE(leggiFile(opzioni.cartellaAllegati + u"/IT03981270683_00077_note.bin"_s) == piccolo);

    // The store keeps the attachments' descriptions, never their content.
    ASSERT_EQ(f.datiGen.size(), 2u);
    EXPECT_EQ(testo(f.datiGen[0], "XMLIdent"), "Allegati");
    EXPECT_EQ(testo(f.datiGen[0], "ALL_NomeAttachment"), "Fattura 123.pdf");
    EXPECT_EQ(f.datiGen[0].intero(u"XmlNumEle"_s), 1);
    EXPECT_EQ(testo(f.datiGen[1], "ALL_NomeAttachment"), "note.bin");
    EXPECT_EQ(f.datiGen[1].intero(u"XmlNumEle"_s), 2);
    for (const RigaStore& r : f.datiGen)
        for (const auto& [colonna, valore] : r.colonne)
            EXPECT_LT(valore.toString().size(), 1000) << colonna.toStdString() << " contiene l'allegato";

    // Without the option nothing is written anywhere.
    const QString altro = scrivi(u"arrivi/IT03981270683_00078.xml"_s, m.testo().replace("FA/123", "FA/124"));
    importaUna(altro);
    EXPECT_EQ(elenco(fileSotto(cartella_.filePath(u"arrivi"_s))),
              "IT03981270683_00077.xml\nIT03981270683_00078.xml");
    EXPECT_EQ(fileSotto(opzioni.cartellaAllegati).size(), 2);
}

TEST_F(FormatiFattura, shouldKeepEveryAttachmentInsideItsFolderWhateverItsName) {
    const QByteArray passwdPrima = leggiFile(u"/etc/passwd"_s);
    const QList<QByteArray> nomi{"../../evil.txt", "/etc/passwd", "C:\\x\\y.pdf", "CON", "..", "./.nascosto"};
    Modello m;
    QList<QByteArray> contenuti;
    for (qsizetype i = 0; i < nomi.size(); ++i) {
        contenuti << "allegato " + QByteArray::number(i) + " di prova\n";
        m.allegati += allegato(nomi[i], contenuti.last().toBase64());
    }
    const QString xml = scrivi(u"arrivi/ostile.xml"_s, m.testo());

    // Deep inside the test folder, so "../../" would still land inside the folder we watch.
    OpzioniImport opzioni;
    opzioni.estraiAllegati = true;
    opzioni.cartellaAllegati = cartella_.filePath(u"a/b/allegati"_s);
    const FatturaStore f = importaUna(xml, opzioni);
    ASSERT_TRUE(f.testata.has_value());

    // Six files, all directly in the attachment folder, each with its own content.
    QStringList attesi{u"arrivi/ostile.xml"_s};
    const QStringList estratti = fileSotto(opzioni.cartellaAllegati);
    for (const QString& e : estratti)
        attesi << u"a/b/allegati/"_s + e;
    attesi.sort();
    EXPECT_EQ(elenco(fileSotto(cartella_.path())), elenco(attesi))
        << "un allegato è finito fuori dalla sua cartella";
    ASSERT_EQ(estratti.size(), nomi.size()) << estratti.join(u' ').toStdString();
    QList<QByteArray> letti;
    for (const QString& e : estratti) {
        EXPECT_FALSE(e.contains(u'/')) << e.toStdString();
        EXPECT_TRUE(e.startsWith(u"ostile_"_s)) << e.toStdString();
        letti << leggiFile(opzioni.cartellaAllegati + u'/' + e);
    }
    for (const QByteArray& c : contenuti)
        EXPECT_TRUE(letti.contains(c)) << "manca l'allegato " << c.toStdString();
    EXPECT_TRUE(leggiFile(u"/etc/passwd"_s) == passwdPrima) << "/etc/passwd è cambiato";
    // The names as written stay in the store.
    ASSERT_EQ(f.datiGen.size(), static_cast<size_t>(nomi.size()));
    for (qsizetype i = 0; i < nomi.size(); ++i)
        EXPECT_EQ(testo(f.datiGen[static_cast<size_t>(i)], "ALL_NomeAttachment"), nomi[i].toStdString());
}

// ---- A DOCTYPE that tries to read a file of this machine ------------------------------------------

TEST_F(FormatiFattura, shouldNeverReadAnExternalEntityAndImportTheInvoiceWithoutIt) {
    const QByteArray segreto = "SEGRETO-DA-NON-LEGGERE-7f3a9c";
    const QString percorsoSegreto = scrivi(u"fuori/segreto.txt"_s, segreto + '\n');
    QByteArray hostname = leggiFile(u"/etc/hostname"_s).trimmed();

    Modello m;
    m.doctype = "<!DOCTYPE p:FatturaElettronica [\n"
                "  <!ENTITY segreto SYSTEM \"file://" +
                QFile::encodeName(percorsoSegreto) +
                "\">\n"
                "  <!ENTITY macchina SYSTEM \"file:///etc/hostname\">\n"
                "  <!ENTITY % remoto SYSTEM \"file://" +
                QFile::encodeName(percorsoSegreto) +
                "\">\n"
                "  %remoto;\n"
                "]>\n";
    m.descrizione = "Prima &segreto; poi &macchina; dopo";
    const FatturaStore f = importaUna(scrivi(u"doctype.xml"_s, m.testo()));
    ASSERT_TRUE(f.testata.has_value()) << "la fattura con DOCTYPE non è stata caricata";

    // Imported; the references stay as written, never replaced by what the files hold.
    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(testo(f.dettaglio[0], "Descrizione"), "Prima &segreto; poi &macchina; dopo");
    EXPECT_EQ(importo(f.dettaglio[0], "PrezzoTotale"), "100.00");
    std::vector<const RigaStore*> righe{&*f.testata};
    for (const auto* v : {&f.dettaglio, &f.iva, &f.pagamenti, &f.datiGen})
        for (const RigaStore& r : *v)
            righe.push_back(&r);
    for (const RigaStore* r : righe)
        for (const auto& [colonna, valore] : r->colonne) {
            const QString v = valore.toString();
            EXPECT_FALSE(v.contains(QLatin1String(segreto))) << colonna.toStdString();
            if (hostname.size() >= 6) {
                EXPECT_FALSE(v.contains(QString::fromUtf8(hostname))) << colonna.toStdString();
            }
        }
}

// ---- Files nobody vouches for --------------------------------------------------------------------

struct FileOstile {
    const char* nome;
    const char* messaggio; // after "\r\nFile: <name>"
};

class FileNonFattura : public FormatiFattura, public ::testing::WithParamInterface<FileOstile> {};

// Each is refused at once with its message; none hangs the batch or reaches the store.
TEST_P(FileNonFattura, shouldRefuseAFileThatIsNotAnOrdinaryInvoiceFileWithAMessage) {
    const QString nome = QString::fromLatin1(GetParam().nome);
    const QString percorso = cartella_.filePath(nome);
    if (nome == u"cartella.xml")
        ASSERT_TRUE(QDir().mkpath(percorso));
    else if (nome == u"fifo.xml")
        ASSERT_EQ(::mkfifo(QFile::encodeName(percorso).constData(), 0600), 0);
    else if (nome == u"enorme.xml") {
        // Sparse: a size beyond the limit costs no disk, and reading it would cost 65 MB.
        QFile f(percorso);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(DimensioneMassimaFattura + 1024 * 1024));
    }
    ImportatoreFatture importatore(db(), ui_, *parametri_, {});
    const std::vector<EsitoImport> esiti = importatore.importa(percorso);
    ASSERT_EQ(esiti.size(), 1u);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori.toStdString(),
              ("\r\nFile: " + nome + QString::fromUtf8(GetParam().messaggio)).toStdString());
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM FatXmlTest"_s).toLongLong(), 0);
}

const FileOstile Ostili[] = {
    {"cartella.xml", " è una cartella, non un file: non caricato"},
    {"fifo.xml", " non è un file ordinario (dispositivo, FIFO o socket): non caricato"},
    {"enorme.xml", " troppo grande (65 MB, il massimo è 64 MB): non caricato"},
};
INSTANTIATE_TEST_SUITE_P(Ostili, FileNonFattura, ::testing::ValuesIn(Ostili),
                         [](const ::testing::TestParamInfo<FileOstile>& i) {
                             return QString::fromLatin1(i.param.nome).section(u'.', 0, 0).toStdString();
                         });

TEST_F(FormatiFattura, shouldRefuseTextThatIsNotValidInItsEncodingNamingLineAndElement) {
    Modello m;
    m.descrizione = "Caff\xE8 in grani"; // Latin-1 bytes in a file that declares UTF-8
    const QByteArray dati = m.testo();
    const qsizetype riga = dati.left(dati.indexOf("Caff")).count('\n') + 1;
    ImportatoreFatture importatore(db(), ui_, *parametri_, {});
    const std::vector<EsitoImport> esiti = importatore.importa(scrivi(u"latin.xml"_s, dati));
    ASSERT_EQ(esiti.size(), 1u);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_EQ(esiti[0].errori.toStdString(),
              u"\r\nFile: latin.xml contiene testo non valido nella sua codifica (UTF-8) alla riga %1, "
              "elemento Descrizione: non caricato"_s.arg(riga)
                  .toStdString());
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM FatXmlTest"_s).toLongLong(), 0);

    // The same bytes in a file that declares its code page are read through it.
    m.dichiarazione = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    const FatturaStore f = importaUna(scrivi(u"latin1.xml"_s, m.testo()));
    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(testo(f.dettaglio[0], "Descrizione"), "Caffè in grani");
}

TEST_F(FormatiFattura, shouldQuoteOnlyTheStartOfAHugeValueInTheReport) {
    Modello m;
    // An ABI of 100000 characters: cut to its column, and the report quotes its start.
    m.allegati.clear();
    const QByteArray abi(100000, '7');
    QByteArray dati = m.testo();
    dati.replace("<ModalitaPagamento>MP05</ModalitaPagamento>",
                 "<ModalitaPagamento>MP05</ModalitaPagamento><ABI>" + abi + "</ABI>");
    ImportatoreFatture importatore(db(), ui_, *parametri_, {});
    const std::vector<EsitoImport> esiti = importatore.importa(scrivi(u"abi.xml"_s, dati));
    ASSERT_EQ(esiti.size(), 1u);
    EXPECT_TRUE(esiti[0].ok) << esiti[0].errori.left(300).toStdString();
    // Not an error: the invoice is stored, and what was cut is among what is left to check.
    EXPECT_EQ(esiti[0].errori.toStdString(), "");
    EXPECT_TRUE(esiti[0].avvisi.contains(u"Tag ABI troncato a 5 caratteri: "_s + QString(200, u'7') +
                                         u"... (altri 99800 caratteri)"_s))
        << esiti[0].avvisi.join(u'\n').left(1000).toStdString();
}

// A vendor's own element has no column: it is reported once where it carries a value, and the
// invoice is stored without it.
TEST_F(FormatiFattura, shouldReportAnElementWithoutAColumnAndStoreTheRest) {
    Modello m;
    m.inBlocchi = "<CodiceInterno>  AB-17 </CodiceInterno><NotaInterna> </NotaInterna>";
    ImportatoreFatture importatore(db(), ui_, *parametri_, {});
    const std::vector<EsitoImport> esiti = importatore.importa(scrivi(u"propri.xml"_s, m.testo()));
    ASSERT_EQ(esiti.size(), 1u);
    EXPECT_TRUE(esiti[0].ok);
    // The line, the VAT summary and the payment, then the header, written last.
    EXPECT_EQ(esiti[0].errori.toStdString(), "\r\nTag CodiceInterno non previsto: valore non caricato"
                                             "\r\nTag CodiceInterno non previsto: valore non caricato"
                                             "\r\nTag CodiceInterno non previsto: valore non caricato"
                                             "\r\nTag DGD_CodiceInterno non previsto: valore non caricato");
    const FatturaStore f = leggiFattura(db(), esiti[0].anno, esiti[0].numRif);
    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(testo(f.dettaglio[0], "Descrizione"), "Viti zincate M6");
}

// A file of more made-up elements than the batch numbers names for: the batch numbers them
// again before the next file, which is read, reported and stored as in a batch of its own.
TEST_F(FormatiFattura, shouldImportRightAfterAFileOfMoreNamesThanTheBatchNumbers) {
    ImportatoreFatture importatore(db(), ui_, *parametri_, {});
    Modello inventato;
    for (int i = 0; i < 5000; ++i) {
        const QByteArray nome = "Inventato" + QByteArray::number(i);
        inventato.inBlocchi += "<" + nome + "> </" + nome + ">";
    }
    const std::vector<EsitoImport> primo = importatore.importa(scrivi(u"inventati.xml"_s, inventato.testo()));
    ASSERT_EQ(primo.size(), 1u);
    EXPECT_TRUE(primo[0].ok) << primo[0].errori.left(300).toStdString();
    EXPECT_EQ(primo[0].errori.toStdString(), ""); // blank values are not reported

    Modello m;
    m.inBlocchi = "<CodiceInterno>  AB-17 </CodiceInterno><NotaInterna> </NotaInterna>";
    QByteArray dati = m.testo();
    dati.replace("FA/123", "FA/124");
    const std::vector<EsitoImport> secondo = importatore.importa(scrivi(u"propri.xml"_s, dati));
    ASSERT_EQ(secondo.size(), 1u);
    EXPECT_TRUE(secondo[0].ok) << secondo[0].errori.left(300).toStdString();
    EXPECT_EQ(secondo[0].errori.toStdString(), "\r\nTag CodiceInterno non previsto: valore non caricato"
                                               "\r\nTag CodiceInterno non previsto: valore non caricato"
                                               "\r\nTag CodiceInterno non previsto: valore non caricato"
                                               "\r\nTag DGD_CodiceInterno non previsto: valore non caricato");
    const FatturaStore f = leggiFattura(db(), secondo[0].anno, secondo[0].numRif);
    ASSERT_TRUE(f.testata.has_value());
    EXPECT_EQ(testo(*f.testata, "DGD_Numero"), "FA/124");
    ASSERT_EQ(f.dettaglio.size(), 1u);
    EXPECT_EQ(testo(f.dettaglio[0], "Descrizione"), "Viti zincate M6");
}

// A batch reads its files ahead of the one it stores: every file still gets its own result,
// in its place, whatever lies between (files that cannot be read, files of megabytes that fill
// what is read ahead, more files than it reads ahead), and a batch stopped half-way stores
// exactly the files before the stop. A reading that never went on after filling up would hang.
TEST_F(FormatiFattura, shouldReportEveryFileOfABatchInItsPlaceWhateverItsNeighbours) {
    struct Atteso {
        QString nome;
        QString errore; // empty for an invoice stored; else the start of its message
    };
    std::vector<Atteso> attesi;
    QStringList percorsi;
    const QByteArray grande = allegato("perizia.pdf", casuali(2'500'000, 7).toBase64());
    for (int i = 0; i < 70; ++i) {
        const QString nome = u"f%1.xml"_s.arg(i, 3, 10, QChar(u'0'));
        Modello m;
        m.numero = "FA/" + QByteArray::number(i);
        if (i == 3 || i == 8 || i == 13)
            m.allegati = grande; // over three megabytes each
        QString errore;
        if (i == 0) {
            errore = u"\r\n"_s + nome + u" - inesistente"_s;
        } else if (i == 1) {
            QDir().mkpath(cartella_.filePath(nome));
            errore = u"\r\nFile: "_s + nome + u" è una cartella, non un file: non caricato"_s;
        } else if (i == 35) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(cartella_.filePath(nome)).constData(), 0600), 0);
            errore = u"\r\nFile: "_s + nome + u" non è un file ordinario"_s;
        } else if (i == 36) {
            scrivi(nome, m.testo().left(900));
            errore = u"\r\nFile: "_s + nome + u" XML non valido: "_s;
        } else if (i == 69) {
            m.descrizione = "Caff\xE8";
            scrivi(nome, m.testo());
            errore = u"\r\nFile: "_s + nome + u" contiene testo non valido"_s;
        } else {
            scrivi(nome, m.testo());
        }
        percorsi << cartella_.filePath(nome);
        attesi.push_back({nome, errore});
    }
    const auto nomiNelloStore = [&] {
        QStringList nomi;
        for (Recordset rs = db().ApriRs(u"SELECT NomeFile FROM FatXmlTest ORDER BY NomeFile"_s); !rs.RsEof();
             rs.RsMoveNext())
            nomi << rs.leggiTesto(u"NomeFile"_s);
        return nomi;
    };

    for (const qsizetype fermata : {qsizetype{20}, qsizetype{70}}) {
        SCOPED_TRACE(fermata);
        for (const QLatin1String tabella :
             {store::FatXmlTest, store::FatXmlDett, store::FatXmlIva, store::FatXmlPag, store::FatXmlDatiGen})
            db().EseguiSql(u"DELETE FROM "_s + tabella);
        ImportatoreFatture importatore(db(), ui_, *parametri_, {});
        std::vector<qsizetype> riportati;
        QStringList attesiNelloStore;
        importatore.importa(
            percorsi, {},
            [&](qsizetype i, std::vector<EsitoImport> esiti) {
                riportati.push_back(i);
                ASSERT_EQ(esiti.size(), 1u) << i;
                const Atteso& a = attesi[static_cast<size_t>(i)];
                if (a.errore.isEmpty()) {
                    EXPECT_TRUE(esiti[0].ok) << a.nome.toStdString() << esiti[0].errori.toStdString();
                    EXPECT_EQ(esiti[0].nomeFile, a.nome);
                    EXPECT_EQ(esiti[0].numero, u"FA/%1"_s.arg(i));
                    attesiNelloStore << a.nome;
                } else {
                    EXPECT_FALSE(esiti[0].ok) << a.nome.toStdString();
                    EXPECT_TRUE(esiti[0].errori.startsWith(a.errore))
                        << esiti[0].errori.toStdString() << " / " << a.errore.toStdString();
                }
            },
            [&](qsizetype i) {
                // The batch lingers twice, so the reading runs ahead until it has all the
                // megabytes it may hold, then all the files; then it must go on once half is taken.
                if (i == 2 || i == 30)
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                return i < fermata;
            });
        std::vector<qsizetype> tutti(static_cast<size_t>(fermata));
        std::iota(tutti.begin(), tutti.end(), 0);
        EXPECT_EQ(riportati, tutti);
        EXPECT_EQ(elenco(nomiNelloStore()), elenco(attesiNelloStore));
    }
}

TEST_F(FormatiFattura, shouldWriteAttachmentsOnlyForStoredInvoicesWithNamesAFileSystemTakes) {
    const QByteArray lungo = QByteArray("Relazione tecnica ") + QByteArray(300, 'x') + ".pdf";
    Modello m;
    m.allegati = allegato(lungo, QByteArray("contenuto").toBase64());
    const QString xml = scrivi(u"arrivi/lungo.xml"_s, m.testo());
    OpzioniImport opzioni;
    opzioni.estraiAllegati = true; // no folder configured: beside the XML file
    ImportatoreFatture importatore(db(), ui_, *parametri_, opzioni);
    std::vector<EsitoImport> esiti = importatore.importa(xml);
    ASSERT_EQ(esiti.size(), 1u);
    ASSERT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    // The stored name is cut to its column, and the report says so.
    EXPECT_EQ(esiti[0].errori.toStdString(), "");
    EXPECT_TRUE(esiti[0].avvisi.join(u'|').contains(u"Tag ALL_NomeAttachment troncato a 60 caratteri: "_s))
        << esiti[0].avvisi.join(u'|').toStdString();
    ASSERT_EQ(esiti[0].allegati.size(), 1);
    const QFileInfo scritto(esiti[0].allegati[0]);
    EXPECT_EQ(scritto.absolutePath(), QFileInfo(xml).absolutePath());
    EXPECT_LE(QFile::encodeName(scritto.fileName()).size(), 255);
    EXPECT_TRUE(scritto.fileName().startsWith(u"lungo_Relazione tecnica xxx"_s))
        << scritto.fileName().toStdString();
    EXPECT_TRUE(scritto.fileName().endsWith(u".pdf"_s)) << scritto.fileName().toStdString();
    EXPECT_EQ(leggiFile(scritto.filePath()), "contenuto");

    // A file whose second invoice fails stores nothing, and leaves no attachment of the first.
    Modello due;
    due.allegati = allegato("buono.pdf", QByteArray("primo").toBase64());
    QByteArray dati = due.testo();
    const qsizetype inizio = dati.indexOf("<FatturaElettronicaBody>");
    const qsizetype fine = dati.indexOf("</FatturaElettronicaBody>") + 25;
    QByteArray senzaData = dati.mid(inizio, fine - inizio);
    senzaData.replace("<Data>2024-03-15</Data>", "");
    dati.insert(fine, senzaData);
    const QString fallita = scrivi(u"fallita/due.xml"_s, dati);
    esiti = importatore.importa(fallita);
    ASSERT_EQ(esiti.size(), 2u);
    EXPECT_FALSE(esiti[0].ok);
    EXPECT_FALSE(esiti[1].ok);
    EXPECT_TRUE(esiti[0].allegati.isEmpty());
    EXPECT_EQ(elenco(fileSotto(cartella_.filePath(u"fallita"_s))), "due.xml");
}

} // namespace
