#pragma once

#include "Database.h"
#include "ImportText.h"

#include <QString>
#include <QVector>

#include <optional>

class ProgressSink;

// The work of the import dialog (TBZAI_CMV) without its widgets: the import
// database with the file's columns (CMV_01), the target list (CMV_02) and the
// converted lines (BUSAI_CNV); the saved mapping CMV_M in the product database;
// and the rows it hands to the main window in BUSAI_SEL of the work database.
//
// One object lives as long as the program, like the dialog: the record counter
// keeps its value between imports.
class MemberImport {
public:
    // `work` is the member grid's connection, idle while the dialog is open.
    MemberImport(Database& work, ProgressSink& progress);

    static QString workCopyName() { return QStringLiteral("mitu_con.txt"); }
    static QString importDatabasePath() { return QStringLiteral("../LOCAL/TREVOLAN_M.fdb"); }

    // Start folder (made current before every file is opened) and product database.
    void setStartDirectory(const QString& dir) { m_start = dir; }
    void setProductPath(const QString& path) { m_productPath = path; }

    // Dialog show: connects (creating the import database when missing), rebuilds
    // the tables and analyses the work copy's titles.
    void show();
    // Dialog close.
    void close();

    // One column of the file as the mapping grid shows it.
    struct Column {
        int number = 0;          // CD, from 1
        QString title;           // 列名
        QString example;         // 例題
        QString matched;         // NAME03: the target the title matched
        std::optional<int> code; // CD2: the chosen target
    };
    QVector<Column> columns();
    // The user's entry in the CD cell of column `number`.
    void setCode(int number, std::optional<int> code);

    QString recordLabel() const { return m_label; }
    int recordCounter() const { return m_record; }
    bool titleIsData = false; // 先頭もデーター

    // The work copy's separator: TAB or comma. Unset, the content decides.
    void setSeparator(QChar separator) { m_separator = separator; }

    // A record of the file that was not imported, and why (one per failing column).
    struct Problem {
        int line = 0;   // line of the file the record starts on, from 1
        int column = 0; // file column, from 1; 0 for the whole record
        QString title;  // the column's title
        QString reason;
    };
    struct Report {
        int records = 0;  // data records read
        int imported = 0; // rows handed on
        int refused = 0;  // records left out, each named in `problems`
        QVector<Problem> problems;
        bool cancelled = false; // stopped by the user or the end of the session: nothing handed on
    };
    // "12行目 3列目（単価）: …" for the list and the saved file.
    static QString problemText(const Problem& problem);
    // The whole report as a text file's lines.
    static QString reportText(const Report& report);

    // 取込開始: every record of the work copy through the mapping into BUSAI_CNV,
    // then the rows into BUSAI_SEL in one transaction. Records that cannot be
    // imported are left out and named in the report. `progress` (default: the
    // main window's) is asked after every record whether to stop; a stop leaves
    // BUSAI_CNV and BUSAI_SEL as they were.
    Report importRows(ProgressSink* progress = nullptr);
    const Report& lastReport() const { return m_report; }
    void saveMapping(); // 対応CD登録
    void loadMapping(); // 対応CD呼出
    // ← (-1) and → (+1): the example column shows another line of the work copy.
    void browse(int step);

    Database& importDatabase() { return m_import; }
    Database& productDatabase() { return m_product; }

private:
    void connect();
    void rebuildTables();
    void fillTargets();
    void analyseTitles();
    void showExamples(const QStringList& fields, bool nullForEmpty);
    bool hasColumns();
    QVector<ImportText::Record> workCopyRecords() const;
    void makeStartCurrent() const;

    Database& m_work;
    ProgressSink& m_progress;
    Database m_import{QStringLiteral("IBDatabase_CMV")};
    Database m_product{QStringLiteral("IBDatabase_CMVM")};
    QString m_start;
    QString m_productPath;
    int m_record = 0;
    // The line the arrows show, apart from the counter the import leaves behind
    // for the next label: a file shorter than the last one must not be read past its end.
    int m_browsed = 1;
    QChar m_separator;
    Report m_report;
    QString m_label = QStringLiteral("ﾚｺｰﾄﾞNo");
};
