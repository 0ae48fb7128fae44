#pragma once
// Text helpers for XML values and small DOM look-ups shared by the invoice reader and the
// Hub exchange. Documents are always loaded through caricaXml, so no DOCTYPE is ever
// processed and no external entity is ever read.

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>

namespace tesel {

// Turns an XML text value back into plain text, in this order:
//  1. a value beginning with "<![CDATA[" (any case) loses its first 9 and last 3 characters
//     (a value shorter than 12 characters becomes empty);
//  2. "&#13;"/"&#xD;" become CR, "&#10;"/"&#xA;" LF;
//  3. every remaining "&#NNN;" (decimal) and "&#xHH;"/"&#XHH;" (hexadecimal) becomes the
//     character with that code; a code of 0, a surrogate or above U+10FFFF stays as written;
//  4. "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" are decoded in one pass, so "&amp;lt;"
//     gives "&lt;" and "&amp;#10;" gives "&#10;";
//  5. "<br />" and "<br/>" (lower case only) become CR LF.
// Each step works on the output of the one before and does not rescan its own output.
QString DecodificaTestoXml(const QString& testo);

// Everything after the first "?>"; the text itself when there is none.
QString TogliDichiarazione(const QString& testo);

// The element at position `indice` (from 0) among the elements named `nome` below `radice`,
// in document order, as getElementsByTagName finds them: the name is compared with the
// qualified name, prefix included ("p:FatturaElettronica"), "*" matches every element, and
// a document searches its root element too. Empty when there is no such element or when
// the element found has no child nodes.
pugi::xml_node NodoPerNome(pugi::xml_node radice, const char* nome, int indice);

// The text of NodoPerNome(radice, nome, indice): the value of its first child when that is
// text or CDATA, else the concatenated text of all its descendants. Empty when absent.
QString TestoNodo(pugi::xml_node radice, const char* nome, int indice = 0);

// The value of the first attribute of `nodo` whose local name (the name without a
// namespace prefix) equals `nome`; empty when there is none.
QString AttributoNodo(pugi::xml_node nodo, const char* nome);

// Loads a document from the bytes of a file or a Hub answer. UTF-8 (with or without BOM)
// and UTF-16/32 are recognised by themselves; a declared "windows-1252", "iso-8859-1"/"latin1"
// or "iso-8859-15" file is decoded as such (ISO-8859-1 as its windows-1252 superset), unless
// its bytes are valid UTF-8 with non-ASCII characters, which real files mislabel that way.
// On failure `errore` (when given) receives "XML non valido: <what> alla posizione <n>",
// n being the byte offset in `dati`.
bool caricaXml(pugi::xml_document& doc, const QByteArray& dati, QString* errore);

// Loads a document from text already decoded (a Hub answer); the declared encoding is
// ignored and the position in the error message counts characters of `testo`.
bool caricaXmlTesto(pugi::xml_document& doc, const QString& testo, QString* errore);

} // namespace tesel
