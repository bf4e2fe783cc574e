// Times the member import of a 10,000-line file into a member list of 10,000
// and the CSV export of 10,000 members, each against its bound measured in the
// same run. A program, not a test: it prints its figures.
#include "BenchFolder.h"
#include "BenchScreen.h"
#include "Connections.h"
#include "DataModule.h"
#include "Database.h"
#include "DbError.h"
#include "ExportCommand.h"
#include "ImportBenchRig.h"
#include "ImportCommand.h"
#include "ImportText.h"
#include "ProgramState.h"
#include "Schema.h"
#include "SjisCodec.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// The member grid's columns over the dataset's display texts, as the window shows them.
class MemberModel : public QAbstractTableModel {
public:
    explicit MemberModel(TableDataset& ds) : m_ds(ds) {}
    int rowCount(const QModelIndex& = {}) const override { return m_ds.recordCount(); }
    int columnCount(const QModelIndex& = {}) const override { return static_cast<int>(kFields.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(m_ds.displayText(index.row(), kFields.at(index.column())))
                                       : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(kTitles.at(section)) : QVariant();
    }

private:
    inline static const QStringList kFields{"№",      "NAME01", "NAME02", "TANI", "KIN_01",    "KIN_02", "利益率",
                                            "KIN_06", "NAME03", "S_CD",   "KETA", "KU_KAMOKU", "B_CD"};
    inline static const QStringList kTitles{"№",      "名称", "摘要",   "単位", "原　価", "単　価", "利益率",
                                            "定　価", "備考", "業者CD", "桁",   "科目",   "部材CD"};
    TableDataset& m_ds;
};

class Screen : public BenchScreen {
public:
    QString path;
    QString openFileName(const QString&, const QString&, const QString&) override { return path; }
    QString saveFileName(const QString&, const QString&, const QString&, const QString&) override { return path; }
};

void fillMembers(Connections& c, int members)
{
    Query q(&c.IBDatabase4);
    q.run("delete from BUZAI_S");
    q.setSql("insert into BUZAI_S (CNT,BL_KUBUN,BM_KUBUN,BS_KUBUN,NAME01,NAME02,TANI,KIN_01,KIN_02,KIN_06,S_CD,KETA) "
             "values (:C,1,1,:C,:N1,:N2,'本',:K1,:K2,:K6,12,1)");
    for (int i = 1; i <= members; ++i) {
        q.setParam("C", i);
        q.setParam("N1", QString("単管パイプ %1").arg(i));
        q.setParam("N2", QString("φ48.6×%1mm").arg(1000 + i));
        q.setParam("K1", 800.0 + i);
        q.setParam("K2", 1000.0 + i);
        q.setParam("K6", 1200.0 + i);
        q.exec();
    }
    q.run("COMMIT");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString(argv[1]).toInt() : 10000;
    return runBench([&] {
        ImportBenchRig rig;
        const BenchFolder& folder = rig.folder;
        Connections& c = rig.c;
        fillMembers(c, count);
        TDM2 dm(c);
        ProgramState state;
        state.config.startDirectory = QDir::currentPath();
        Screen screen;
        screen.tab = Tab::Member;

        QString text = "名称,摘要,単位,単価,原価\r\n";
        for (int i = 1; i <= count; ++i)
            text += QString("\"合板 %1\",\"9mm,910×1820\",枚,\"1,%2\",▲%1\r\n").arg(i).arg(i % 1000, 3, 10, QChar('0'));
        screen.path = folder.dir.path() + "/members.csv";
        {
            QFile f(screen.path);
            f.open(QIODevice::WriteOnly);
            f.write(SjisCodec::encode(text));
        }

        // Import: the command with the dialog's work, in front of the middle row.
        ImportCommand command(dm, state, screen);
        command.showDialog = [&] {
            command.work().show();
            command.work().importRows();
            command.work().close();
        };
        dm.IBT_bu.open();
        dm.IBT_bu.setRecNo(count / 2);
        QElapsedTimer t;
        t.start();
        command.run();
        const double import = seconds(t);
        if (dm.IBT_bu.recordCount() != 2 * count)
            std::fprintf(stderr, "import gave %d rows\n", dm.IBT_bu.recordCount());

        // Bound: the same rows by one prepared insert in one transaction.
        {
            const QStringList lines = ImportText::readLines(screen.path).lines;
            Query q(&c.IBDatabase2);
            q.run("delete from BUZAI_SW");
            q.run("COMMIT");
            t.restart();
            q.setSql("insert into BUZAI_SW (CNT,NAME01,NAME02,TANI,KIN_02,KIN_01) values (:C,:N1,:N2,:T,:K2,:K1)");
            for (int i = 1; i < lines.size(); ++i) {
                const QStringList f = ImportText::splitLine(lines.at(i));
                q.clearParams();
                q.setParam("C", i);
                q.setParam("N1", f.value(0));
                q.setParam("N2", f.value(1));
                q.setParam("T", f.value(2));
                q.setParam("K2", f.value(3).remove(',').toDouble());
                q.setParam("K1", -f.value(4).mid(1).toDouble());
                q.exec();
            }
            q.run("COMMIT");
        }
        reportRow("import 10,000 lines into 10,000 members", import, seconds(t));

        // Export of 10,000 members against writing the same bytes.
        dm.IBT_bu.close();
        c.IBTransaction4().commitAndRestart();
        fillMembers(c, count);
        dm.IBT_bu.open();
        MemberModel model(dm.IBT_bu);
        ExportCommand exporter(dm, state, screen);
        exporter.gridModel = [&](Tab) { return &model; };
        screen.path = folder.dir.path() + "/export.csv";
        t.restart();
        exporter.run();
        const double exported = seconds(t);
        QFile f(screen.path);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        t.restart();
        QFile copy(folder.dir.path() + "/copy.csv");
        copy.open(QIODevice::WriteOnly | QIODevice::Truncate);
        copy.write(bytes);
        copy.close();
        reportRow("export 10,000 members (bound: writing the same bytes)", exported, seconds(t));
        // A second bound: the same texts read from the model, encoded at once and written.
        t.restart();
        QString all;
        for (int row = -1; row < model.rowCount(); ++row) {
            for (int col = 0; col < model.columnCount(); ++col) {
                const QString cell = row < 0 ? model.headerData(col, Qt::Horizontal, Qt::DisplayRole).toString()
                                             : model.data(model.index(row, col), Qt::DisplayRole).toString();
                all += (col ? ",\"" : "\"") + QString(cell).replace('"', "\"\"") + '"';
            }
            all += "\r\n";
        }
        copy.open(QIODevice::WriteOnly | QIODevice::Truncate);
        copy.write(SjisCodec::encode(all));
        copy.close();
        reportRow("export 10,000 members (bound: the same texts in one write)", exported, seconds(t));
        dm.IBT_bu.close();
        c.closeAll();
    });
}
