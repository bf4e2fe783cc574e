// Takes the manual's pictures of the real window: a program folder on the demo
// database in a temporary folder, the main window on each tab, the second
// toolbar, the string-replacement dialog and the preview of a renumbering.
#include "Database.h"
#include "DemoData.h"
#include "Form1Probe.h"
#include "Form7.h"
#include "PreviewDialog.h"
#include "Session.h"
#include "SjisCodec.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

namespace {

void settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(const QPixmap& picture, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeSjis(const QString& path, const QString& text)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(SjisCodec::encode(text)) >= 0;
}

class Yes : public Confirmation {
public:
    int ask(int, const QString&) override { return Ok; }
};

// Shows the preview the registration would show, keeps its picture and stops
// the registration, so the demo database is left as it was.
class PreviewTaker : public RenumberingQuestions {
public:
    explicit PreviewTaker(QWidget* window) : m_window(window) {}
    QPixmap picture;
    Answer othersConnected(const QList<OtherAttachment>&) override { return GoOn; }
    Answer renumbering(const RenumberingOutline& outline) override
    {
        TPreviewDialog dialog(m_window);
        dialog.setOutline(outline);
        dialog.show();
        settle();
        picture = dialog.grab();
        return Stop;
    }

private:
    QWidget* m_window;
};

int takeAll(const QString& out)
{
    QTemporaryDir work;
    if (!work.isValid() || !QDir().mkpath(out) || !QDir(work.path()).mkpath(QStringLiteral("PROG")))
        return 1;
    const QDir root(work.path());
    buildDemoProductDatabase(root.filePath(QStringLiteral("TREVOLAN.FDB")));
    writeSjis(root.filePath(QStringLiteral("PROG/pro_title.inf")), QStringLiteral("TREVOLAN Ver 2021\r\n"));
    writeSjis(root.filePath(QStringLiteral("PROG/SYSTEM.DAT")),
              QStringLiteral("X0=0\r\nY0=0\r\nHeight=750\r\nWidth=1393\r\n会社名１=\r\n自社締日=31\r\n消費税率=10\r\n"
                             "決算月=3\r\n工種=1\r\n単価桁数=0\r\n原価桁数=0\r\n"));
    QDir::setCurrent(root.filePath(QStringLiteral("PROG")));

    // A picture of an error box would be no use in a manual: an error fails the build.
    QStringList errors;
    TForm1::errorHandler() = [&errors](QWidget*, const QString& message) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        errors << message;
    };
    bool ok = true;
    {
        Session session;
        TForm1 form(session);
        Yes yes;
        PreviewTaker preview(&form);
        form.setConfirmation(&yes);
        form.setRenumberingQuestions(&preview);
        form.setWindowTitle(QStringLiteral("工種部材マスター登録 TREVOLAN Ver 2021"));
        form.show();
        settle(400);

        const struct {
            Tab tab;
            const char* name;
        } tabs[] = {{Tab::Middle, "tab-middle"},
                    {Tab::Member, "tab-member"},
                    {Tab::Unit, "tab-unit"},
                    {Tab::Major, "tab-major"}};
        for (const auto& t : tabs) {
            form.showTab(t.tab);
            settle();
            ok = save(form.grab(), out, QString::fromLatin1(t.name)) && ok;
        }

        // The second toolbar, as while Shift is held on the 部材 tab.
        form.showTab(Tab::Member);
        settle();
        Form1Probe::widgets(form).ToolBar1->setVisible(true);
        Form1Probe::widgets(form).ToolBar3->setVisible(false);
        settle();
        ok = save(Form1Probe::widgets(form).ToolPanel->grab(), out, QStringLiteral("toolbar-second")) && ok;
        Form1Probe::widgets(form).ToolBar1->setVisible(false);
        Form1Probe::widgets(form).ToolBar3->setVisible(true);
        settle();
        ok = save(Form1Probe::widgets(form).ToolPanel->grab(), out, QStringLiteral("toolbar-main")) && ok;

        Form1Probe::widgets(form).Form7->show();
        settle();
        ok = save(Form1Probe::widgets(form).Form7->grab(), out, QStringLiteral("replace")) && ok;
        Form1Probe::widgets(form).Form7->hide();

        // A major category moved down: cut the first row, paste it at the third,
        // register, and keep the preview that comes before anything is written.
        form.showTab(Tab::Major);
        settle();
        session.dm.IBT_dai.setRecNo(1);
        Form1Probe::widgets(form).SB[5]->click();
        session.dm.IBT_dai.setRecNo(3);
        Form1Probe::widgets(form).SB[6]->click();
        Form1Probe::widgets(form).SB[2]->click();
        settle();
        ok = save(preview.picture, out, QStringLiteral("preview")) && ok;
        form.closeWithoutAsking();
    }
    return ok && errors.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: masment-screenshots OUTDIR\n");
        return 2;
    }
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("IPAGothic"), font.family()});
    QApplication::setFont(font);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    int rc = 1;
    try {
        rc = takeAll(out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    Database::shutdownEngine();
    return rc;
}
