#pragma once
// Profile (ini) files shared with the rest of the suite: "[Sezione]" headers, "chiave=valore"
// lines, ";" comments. Section and key names compare without regard to case, as the suite's
// Windows programs expect. Writing keeps every other line, comment and the order of the file.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tesel {

// True for "/x", "\x", "\\server\share" and drive-letter paths ("C:\x", "C:/x", "C:").
bool percorsoAssoluto(const QString& percorso);

// Turns a path written by the suite (either separator, maybe with a drive letter or a UNC
// prefix) into a local Linux path with "/" separators:
//   "C:\Brenta\brenta.ini" -> <root of C> + "/Brenta/brenta.ini"; the root of a drive is the
//     environment variable BRENTA_UNITA_C (the letter in capitals), else BRENTA_UNITA, else
//     "/" - so by default the drive is just dropped ("C:\BrentaInst.ini" -> "/BrentaInst.ini");
//   "\\server\share\x" -> <BRENTA_UNC, else "/"> + "server/share/x";
//   a relative path stays relative, with "/" separators.
// "." and ".." parts are resolved; an empty path stays empty.
QString percorsoLocale(const QString& percorso);

// Joins a folder and a name with one "/" (either separator accepted in the input).
QString uniscePercorso(const QString& cartella, const QString& nome);

class FileIni {
public:
    FileIni() = default;
    explicit FileIni(const QString& percorso) { load(percorso); }

    // Reads the file (the path goes through percorsoLocale). A file that does not exist
    // loads as empty and answers false, as does one that cannot be read (then leggibile()
    // is false too and save() refuses to overwrite what it could not read).
    bool load(const QString& percorso);
    const QString& percorso() const { return percorso_; }
    bool esiste() const { return esiste_; }
    bool leggibile() const { return leggibile_; }

    // The value trimmed, with one pair of enclosing quotes removed ("x" -> x) as the suite's
    // profile reader does; nothing when the section or the key is missing.
    std::optional<QString> trova(const QString& sezione, const QString& chiave) const;
    QString value(const QString& sezione, const QString& chiave, const QString& predefinito = {}) const;
    bool contains(const QString& sezione, const QString& chiave) const {
        return trova(sezione, chiave).has_value();
    }
    bool hasSection(const QString& sezione) const;

    // Changes the first occurrence of the key, else adds it at the end of the section's
    // entries, else adds the section at the end of the file. Refuses (false) names and values
    // that would not read back as one entry: line breaks anywhere, "]" in a section name,
    // "=" in a key, a key beginning with ";" or "[", an empty section or key.
    bool set(const QString& sezione, const QString& chiave, const QString& valore);
    // Both answer whether something was removed. A section is removed with all its lines
    // (comments inside it included) and every repeated header of the same name.
    bool removeKey(const QString& sezione, const QString& chiave);
    bool removeSection(const QString& sezione);

    QStringList sections() const;
    QStringList keys(const QString& sezione) const; // as written, in file order, no repeats

    // Writes a temporary file in the same folder and renames it over the old one, so the old
    // file is never lost. False when that fails, when the file could not be read, or when it
    // is marked read-only (no write permission bit at all - refused even to the superuser).
    // The file keeps its encoding and line ends: a Latin-1 file stays Latin-1 unless a value
    // needs characters Latin-1 cannot hold, then it becomes UTF-8.
    bool save();
    bool modificato() const { return modificato_; }

    // The whole text as save() would write it.
    QString testo() const;

private:
    enum class Tipo { Altro, Sezione, Chiave };
    struct Riga {
        Tipo tipo = Tipo::Altro;
        QString testo; // the line as written
        QString nome;  // section or key name, trimmed
    };
    // Index of the first header of the section, or -1.
    int inizioSezione(const QString& sezione) const;
    // One past the last line of the section that starts at `inizio`.
    int fineSezione(int inizio) const;
    int rigaChiave(const QString& sezione, const QString& chiave) const;
    static Riga analizza(const QString& testo);

    QString percorso_;
    std::vector<Riga> righe_;
    bool esiste_ = false;
    bool leggibile_ = true;
    bool latin1_ = false;
    bool bom_ = false;
    bool crlf_ = false;
    bool acapoFinale_ = true;
    bool modificato_ = false;
};

} // namespace tesel
