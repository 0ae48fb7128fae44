#include "schema/schema.h"

#include "frame/database.h"

#include <QSet>

namespace tesel::schema {

const Colonna* Tabella::colonna(const QString& n) const {
    for (const Colonna& c : colonne)
        if (c.nome.compare(n, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const Tabella* trovaTabella(const std::vector<Tabella>& tabelle, const QString& nome) {
    for (const Tabella& t : tabelle)
        if (t.nome.compare(nome, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const std::vector<Tabella>& tabelleAzienda() {
    static const std::vector<Tabella> tutte = [] {
        std::vector<Tabella> v;
        for (auto parte :
             {tabelleStore, tabelleContabili, tabelleAnagrafiche, tabelleDocumenti, tabelleSistema})
            for (Tabella& t : parte())
                v.push_back(std::move(t));
        return v;
    }();
    return tutte;
}

namespace {

QString tipoSql(const Colonna& c, Dialetto d, DichiarazioneConti conti) {
    const bool pg = d == Dialetto::PostgreSQL;
    if (c.parteConto && conti == DichiarazioneConti::Numeri)
        return QStringLiteral("INTEGER");
    switch (c.tipo) {
    case Tipo::Testo:
        return pg && c.lunghezza > 0 ? QStringLiteral("VARCHAR(%1)").arg(c.lunghezza)
                                     : QStringLiteral("TEXT");
    case Tipo::Memo:
        return QStringLiteral("TEXT");
    case Tipo::Intero:
        return pg ? QStringLiteral("SMALLINT") : QStringLiteral("INTEGER");
    case Tipo::Lungo:
        return QStringLiteral("INTEGER");
    case Tipo::Valuta:
        return pg ? QStringLiteral("NUMERIC(19,4)") : QStringLiteral("REAL");
    case Tipo::Doppio:
        return pg ? QStringLiteral("DOUBLE PRECISION") : QStringLiteral("REAL");
    case Tipo::Data:
        return pg ? QStringLiteral("TIMESTAMP") : QStringLiteral("TEXT");
    case Tipo::Sino:
        return pg ? QStringLiteral("VARCHAR(1)") : QStringLiteral("TEXT");
    }
    return QStringLiteral("TEXT");
}

QString definizioneColonna(const Colonna& c, Dialetto d, DichiarazioneConti conti) {
    QString s = c.nome + u' ' + tipoSql(c, d, conti);
    if (c.obbligatoria)
        s += QStringLiteral(" NOT NULL");
    if (!c.predefinito.isEmpty())
        s += QStringLiteral(" DEFAULT ") + c.predefinito;
    return s;
}

QString nomeIndice(const Tabella& t, const Indice& i) {
    return i.nome.isEmpty() ? QStringLiteral("ix_%1_%2").arg(t.nome, i.colonne.join(u'_')) : i.nome;
}

} // namespace

QStringList ddl(const Tabella& t, Dialetto d, DichiarazioneConti conti) {
    QStringList definizioni;
    for (const Colonna& c : t.colonne)
        definizioni << definizioneColonna(c, d, conti);
    if (!t.chiave.isEmpty())
        definizioni << QStringLiteral("PRIMARY KEY (") + t.chiave.join(QStringLiteral(", ")) + u')';
    QStringList out;
    out << QStringLiteral("CREATE TABLE IF NOT EXISTS ") + t.nome + QStringLiteral(" (\n    ") +
               definizioni.join(QStringLiteral(",\n    ")) + QStringLiteral("\n)");
    for (const Indice& i : t.indici) {
        QString s = QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                        .arg(i.unico ? QStringLiteral("UNIQUE ") : QString(), nomeIndice(t, i), t.nome,
                             i.colonne.join(QStringLiteral(", ")));
        if (!i.condizione.isEmpty())
            s += QStringLiteral(" WHERE ") + i.condizione;
        out << s;
        if (!i.sostituisce.isEmpty())
            out << QStringLiteral("DROP INDEX IF EXISTS ") + i.sostituisce;
    }
    return out;
}

void creaSchema(Database& db, const std::vector<Tabella>& tabelle, DichiarazioneConti conti) {
    const bool numeriche = db.contiNumerici();
    if (conti == DichiarazioneConti::ComeEsistente)
        conti = numeriche ? DichiarazioneConti::Numeri : DichiarazioneConti::Testo;
    else if (numeriche != (conti == DichiarazioneConti::Numeri) &&
             db.esisteTabella(QStringLiteral("PianoConti")))
        // Half the account columns as texts and half as numbers would make every join fail.
        throw ErroreDb(ErrDatabase, numeriche
                                        ? QStringLiteral("Il piano dei conti esistente ha i conti numerici: "
                                                         "le nuove tabelle non possono averli di testo")
                                        : QStringLiteral("Il piano dei conti esistente ha i conti di testo: "
                                                         "le nuove tabelle non possono averli numerici"));
    Transazione tr(db);
    for (const Tabella& t : tabelle) {
        if (db.esisteTabella(t.nome)) {
            // An older database: add what is missing, never drop or change what is there
            // (an index replaced by a better one of ours is the one thing dropped: it holds
            // no data).
            QSet<QString> presenti;
            for (const QString& campo :
                 db.ApriRs(QStringLiteral("SELECT * FROM ") + t.nome + QStringLiteral(" WHERE 1=0")).campi())
                presenti.insert(campo.toLower());
            for (const Colonna& c : t.colonne)
                if (!presenti.contains(c.nome.toLower())) {
                    Colonna senzaVincolo = c;
                    senzaVincolo.obbligatoria = false;
                    db.EseguiSql(QStringLiteral("ALTER TABLE ") + t.nome + QStringLiteral(" ADD COLUMN ") +
                                 definizioneColonna(senzaVincolo, db.dialetto(), conti));
                }
        }
        for (const QString& s : ddl(t, db.dialetto(), conti))
            db.EseguiSql(s);
    }
    tr.conferma();
    db.dimenticaConti();
}

} // namespace tesel::schema
