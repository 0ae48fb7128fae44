#include "frame/testoxml.h"

#include <QStringDecoder>

#include <cstring>
#include <optional>

namespace tesel {

namespace {

// ---- DecodificaTestoXml ------------------------------------------------------------------

int cifra(QChar c, bool esadecimale) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (!esadecimale)
        return -1;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

QString riferimentiNumerici(const QString& s) {
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        if (s[i] == u'&' && i + 1 < n && s[i + 1] == u'#') {
            qsizetype j = i + 2;
            const bool esadecimale = j < n && (s[j] == u'x' || s[j] == u'X');
            if (esadecimale)
                ++j;
            const qsizetype inizio = j;
            char32_t codice = 0;
            for (int d; j < n && (d = cifra(s[j], esadecimale)) >= 0; ++j) {
                // Saturate above the last code point so any number of digits is safe.
                codice = codice * (esadecimale ? 16 : 10) + static_cast<char32_t>(d);
                if (codice > 0x10FFFF)
                    codice = 0x110000;
            }
            const bool valido = j > inizio && j < n && s[j] == u';' && codice != 0 && codice <= 0x10FFFF &&
                                !(codice >= 0xD800 && codice <= 0xDFFF);
            if (valido) {
                const auto carattere = QChar::fromUcs4(codice);
                out += QStringView(carattere);
                i = j + 1;
                continue;
            }
        }
        out += s[i];
        ++i;
    }
    return out;
}

QString entitaPredefinite(const QString& s) {
    static const struct {
        QStringView entita;
        QChar carattere;
    } tabella[] = {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''}};
    QString out;
    out.reserve(s.size());
    const QStringView v(s);
    qsizetype i = 0;
    while (i < v.size()) {
        bool trovata = false;
        if (v[i] == u'&') {
            for (const auto& e : tabella) {
                if (v.mid(i).startsWith(e.entita)) {
                    out += e.carattere;
                    i += e.entita.size();
                    trovata = true;
                    break;
                }
            }
        }
        if (!trovata)
            out += v[i++];
    }
    return out;
}

// ---- DOM ---------------------------------------------------------------------------------

// Next node after `n` in document order, staying below `radice`.
pugi::xml_node successivo(pugi::xml_node n, pugi::xml_node radice) {
    if (n.first_child())
        return n.first_child();
    while (n != radice && !n.next_sibling())
        n = n.parent();
    return n == radice ? pugi::xml_node() : n.next_sibling();
}

bool testuale(pugi::xml_node n) {
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// ---- Loading -----------------------------------------------------------------------------

// What the declaration asks of an 8-bit document.
struct Dichiarazione {
    // The declared code page; none when pugixml recognises the encoding by itself.
    std::optional<QStringDecoder> codePage;
    bool supportata = true;
    QByteArray nome;
    qsizetype posizione = 0; // of the encoding name, for the error message
};

// The encoding named in the declaration of an 8-bit document. BOMs and UTF-16/32 never
// start with "<?xml" as bytes, so pugixml recognises those by itself.
Dichiarazione codificaDichiarata(const QByteArray& dati) {
    Dichiarazione d;
    if (!dati.startsWith("<?xml"))
        return d;
    const qsizetype fine = dati.indexOf("?>");
    if (fine < 0)
        return d;
    const QByteArray testa = dati.left(fine);
    qsizetype i = testa.indexOf("encoding");
    if (i < 0)
        return d;
    i += 8;
    auto saltaSpazi = [&] {
        while (i < testa.size() &&
               (testa[i] == ' ' || testa[i] == '\t' || testa[i] == '\r' || testa[i] == '\n'))
            ++i;
    };
    saltaSpazi();
    if (i >= testa.size() || testa[i] != '=')
        return d;
    ++i;
    saltaSpazi();
    if (i >= testa.size() || (testa[i] != '"' && testa[i] != '\''))
        return d;
    const char virgolette = testa[i++];
    const qsizetype chiusura = testa.indexOf(virgolette, i);
    if (chiusura < 0)
        return d;
    d.posizione = i;
    d.nome = testa.mid(i, chiusura - i);
    const QByteArray nome = d.nome.toLower();
    static const char* const unicode[] = {"utf-8",  "utf8",     "us-ascii", "ascii",
                                          "utf-16", "utf-16le", "utf-16be"};
    // ISO-8859-1 is read as its windows-1252 superset: files that declare it hold "€" and
    // typographic quotes in 0x80..0x9F.
    static const char* const windows[] = {"windows-1252", "cp1252",     "x-cp1252", "iso-8859-1",
                                          "iso_8859-1",   "iso8859-1",  "latin1",   "latin-1",
                                          "l1",           "iso-ir-100", "cp819"};
    static const char* const latin9[] = {"iso-8859-15", "iso_8859-15", "iso8859-15",
                                         "latin9",      "latin-9",     "l9"};
    const auto conCodePage = [&](const char* codePage) {
        d.codePage.emplace(codePage);
        // A Qt built without ICU knows no code page but Latin-1: refusing beats misreading.
        d.supportata = d.codePage->isValid();
        return std::move(d);
    };
    for (const char* n : unicode)
        if (nome == n)
            return d;
    for (const char* n : windows)
        if (nome == n)
            return conCodePage("windows-1252");
    for (const char* n : latin9)
        if (nome == n)
            return conCodePage("ISO-8859-15");
    d.supportata = false;
    return d;
}

bool utf8ConNonAscii(const QByteArray& dati) {
    bool nonAscii = false;
    for (char c : dati)
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    if (!nonAscii)
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString prova = decoder(dati);
    return !decoder.hasError();
}

QString descrizioneErrore(const pugi::xml_parse_result& r) {
    switch (r.status) {
    case pugi::status_io_error:
        return QStringLiteral("errore di lettura");
    case pugi::status_out_of_memory:
        return QStringLiteral("memoria insufficiente");
    case pugi::status_unrecognized_tag:
        return QStringLiteral("marcatore non riconosciuto");
    case pugi::status_bad_pi:
        return QStringLiteral("dichiarazione o istruzione di elaborazione non valida");
    case pugi::status_bad_comment:
        return QStringLiteral("commento non valido");
    case pugi::status_bad_cdata:
        return QStringLiteral("sezione CDATA non valida");
    case pugi::status_bad_doctype:
        return QStringLiteral("dichiarazione DOCTYPE non valida");
    case pugi::status_bad_pcdata:
        return QStringLiteral("testo non valido");
    case pugi::status_bad_start_element:
        return QStringLiteral("tag di apertura non valido");
    case pugi::status_bad_attribute:
        return QStringLiteral("attributo non valido");
    case pugi::status_bad_end_element:
        return QStringLiteral("tag di chiusura non valido");
    case pugi::status_end_element_mismatch:
        return QStringLiteral("tag di chiusura non corrispondente");
    case pugi::status_no_document_element:
        return QStringLiteral("elemento radice mancante");
    default:
        return QString::fromUtf8(r.description());
    }
}

QString messaggioErrore(const QString& descrizione, qsizetype posizione) {
    return QStringLiteral("XML non valido: %1 alla posizione %2").arg(descrizione).arg(posizione);
}

// parse_default has no parse_doctype: a DOCTYPE is skipped whole, and pugixml has no
// entity expansion at all, so "&name;" stays literal text and nothing outside is read.
constexpr unsigned int opzioniParse = pugi::parse_default;

} // namespace

QString DecodificaTestoXml(const QString& testo) {
    // Every form decoded below begins with "&" or "<": most values of an invoice have neither.
    if (!testo.contains(u'&') && !testo.contains(u'<'))
        return testo;
    QString s = testo;
    if (s.left(9).toUpper() == QLatin1String("<![CDATA["))
        s = s.size() >= 12 ? s.mid(9, s.size() - 12) : QString();
    s.replace(QLatin1String("&#13;"), QLatin1String("\r"))
        .replace(QLatin1String("&#xD;"), QLatin1String("\r"))
        .replace(QLatin1String("&#10;"), QLatin1String("\n"))
        .replace(QLatin1String("&#xA;"), QLatin1String("\n"));
    s = entitaPredefinite(riferimentiNumerici(s));
    s.replace(QLatin1String("<br />"), QLatin1String("\r\n"))
        .replace(QLatin1String("<br/>"), QLatin1String("\r\n"));
    return s;
}

QString TogliDichiarazione(const QString& testo) {
    const qsizetype p = testo.indexOf(QLatin1String("?>"));
    return p < 0 ? testo : testo.mid(p + 2);
}

pugi::xml_node NodoPerNome(pugi::xml_node radice, const char* nome, int indice) {
    if (!radice || nome == nullptr || indice < 0)
        return {};
    const bool tutti = std::strcmp(nome, "*") == 0;
    int contati = 0;
    for (pugi::xml_node n = radice.first_child(); n; n = successivo(n, radice)) {
        if (n.type() != pugi::node_element || (!tutti && std::strcmp(n.name(), nome) != 0))
            continue;
        if (contati++ == indice)
            return n.first_child() ? n : pugi::xml_node();
    }
    return {};
}

QString TestoNodo(pugi::xml_node radice, const char* nome, int indice) {
    const pugi::xml_node nodo = NodoPerNome(radice, nome, indice);
    if (!nodo)
        return {};
    if (testuale(nodo.first_child()))
        return QString::fromUtf8(nodo.first_child().value());
    QByteArray testo;
    for (pugi::xml_node n = nodo.first_child(); n; n = successivo(n, nodo))
        if (testuale(n))
            testo += n.value();
    return QString::fromUtf8(testo);
}

QString AttributoNodo(pugi::xml_node nodo, const char* nome) {
    if (nome == nullptr)
        return {};
    for (pugi::xml_attribute a : nodo.attributes()) {
        const char* locale = std::strrchr(a.name(), ':');
        locale = locale ? locale + 1 : a.name();
        if (std::strcmp(locale, nome) == 0)
            return QString::fromUtf8(a.value());
    }
    return {};
}

bool caricaXml(pugi::xml_document& doc, const QByteArray& dati, QString* errore) {
    Dichiarazione d = codificaDichiarata(dati);
    if (!d.supportata) {
        doc.reset();
        if (errore)
            *errore = messaggioErrore(
                QStringLiteral("codifica non supportata (%1)").arg(QString::fromLatin1(d.nome)), d.posizione);
        return false;
    }
    const bool daConvertire = d.codePage && !utf8ConNonAscii(dati);
    const QByteArray convertiti = daConvertire ? QString(d.codePage->decode(dati)).toUtf8() : QByteArray();
    const QByteArray& buffer = daConvertire ? convertiti : dati;
    // Declared 8-bit encodings are settled above; what reaches pugixml is UTF-8 or a
    // document it recognises by its BOM.
    const pugi::xml_encoding codifica = d.codePage.has_value() ? pugi::encoding_utf8 : pugi::encoding_auto;
    const pugi::xml_parse_result r =
        doc.load_buffer(buffer.constData(), static_cast<size_t>(buffer.size()), opzioniParse, codifica);
    if (r)
        return true;
    doc.reset();
    if (errore) {
        qsizetype posizione = r.offset;
        if (daConvertire) {
            // Each byte of a code page is one character of the UTF-8 copy; a character cut by
            // the offset is held back by the stateful decoder, so it is not counted.
            QStringDecoder utf8(QStringDecoder::Utf8);
            posizione = QString(utf8.decode(convertiti.left(r.offset))).size();
        }
        *errore = messaggioErrore(descrizioneErrore(r), posizione);
    }
    return false;
}

bool caricaXmlTesto(pugi::xml_document& doc, const QString& testo, QString* errore) {
    const QStringView senzaBom =
        testo.startsWith(QChar(0xFEFF)) ? QStringView(testo).mid(1) : QStringView(testo);
    const QByteArray utf8 = senzaBom.toUtf8();
    const pugi::xml_parse_result r = doc.load_buffer(utf8.constData(), static_cast<size_t>(utf8.size()),
                                                     opzioniParse, pugi::encoding_utf8);
    if (r)
        return true;
    doc.reset();
    if (errore)
        *errore = messaggioErrore(descrizioneErrore(r), QString::fromUtf8(utf8.left(r.offset)).size() +
                                                            (testo.size() - senzaBom.size()));
    return false;
}

} // namespace tesel
