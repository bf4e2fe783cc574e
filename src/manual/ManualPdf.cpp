// Renders the user manual from Markdown to the PDF the program's Help button
// opens: Japanese fonts embedded, every level-1 heading on a new page, pictures
// scaled to the page, page numbers at the foot.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

namespace {

const QString bodyFont = QStringLiteral("IPAPGothic");
const QString fixedFont = QStringLiteral("IPAGothic");
// Width of the text on an A4 page with these margins, in the document's pixels
// (96 per inch): 210 mm less 2 × 15 mm page margin and 2 × 20 mm print margin.
constexpr double textWidth = (210.0 - 30.0 - 40.0) / 25.4 * 96.0;

// Pictures are looked up beside the Markdown file first, then in the folders the
// build made them in. A missing picture fails the build instead of leaving a hole.
struct ManualDocument : QTextDocument {
    QStringList folders;
    QStringList missing;

    QImage image(const QString& name)
    {
        for (const QString& dir : folders) {
            const QString path = QDir(dir).filePath(name);
            if (QFileInfo::exists(path))
                return QImage(path);
        }
        return {};
    }
};

void styleBlocks(ManualDocument& doc)
{
    bool firstTitle = true;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        QTextCursor c(b);
        QTextBlockFormat bf = b.blockFormat();
        const int level = bf.headingLevel();
        if (level == 1) {
            if (!firstTitle)
                bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            firstTitle = false;
        }
        if (level > 0) {
            bf.setTopMargin(level == 1 ? 6 : 14);
            bf.setBottomMargin(6);
            c.setBlockFormat(bf);
            QTextCharFormat cf;
            cf.setForeground(QColor(0x1f, 0x3a, 0x68));
            c.select(QTextCursor::BlockUnderCursor);
            c.mergeCharFormat(cf);
            continue;
        }
        if (bf.hasProperty(QTextFormat::BlockCodeFence) || bf.nonBreakableLines()) {
            bf.setBackground(QColor(0xf2, 0xf2, 0xf2));
            bf.setLeftMargin(12);
            c.setBlockFormat(bf);
            QTextCharFormat cf;
            cf.setFontFamilies({fixedFont});
            c.select(QTextCursor::BlockUnderCursor);
            c.mergeCharFormat(cf);
        }
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.charFormat().isImageFormat())
                continue;
            QTextImageFormat img = f.charFormat().toImageFormat();
            const QImage picture = doc.image(img.name());
            if (picture.isNull()) {
                doc.missing << img.name();
                continue;
            }
            // Given to the document here: printing works on a copy of it, which
            // keeps the resources but not this class's lookup.
            doc.addResource(QTextDocument::ImageResource, QUrl(img.name()), picture);
            // Screen pictures at 60 %, never wider than the text.
            const double width = std::min(picture.width() * 0.6, textWidth);
            img.setWidth(width);
            img.setHeight(width * picture.height() / picture.width());
            QTextCursor ic(&doc);
            ic.setPosition(f.position());
            ic.setPosition(f.position() + f.length(), QTextCursor::KeepAnchor);
            ic.setCharFormat(img);
        }
    }
}

void styleTables(QTextFrame* frame)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat tf = table->format();
            tf.setBorder(0.5);
            tf.setBorderBrush(QColor(0x88, 0x88, 0x88));
            tf.setBorderCollapse(true);
            tf.setCellPadding(3);
            tf.setCellSpacing(0);
            tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
            table->setFormat(tf);
        }
        styleTables(child);
    }
}

int render(const QString& input, const QString& output, const QStringList& pictureFolders)
{
    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(input));
        return 1;
    }
    ManualDocument doc;
    doc.folders = QStringList{QFileInfo(input).absolutePath()} + pictureFolders;
    QFont font(bodyFont, 10);
    font.setFamilies({bodyFont, fixedFont});
    doc.setDefaultFont(font);
    doc.setMarkdown(QString::fromUtf8(in.readAll()), QTextDocument::MarkdownDialectGitHub);
    styleBlocks(doc);
    styleTables(doc.rootFrame());

    if (!doc.missing.isEmpty()) {
        std::fprintf(stderr, "pictures not found: %s\n", qPrintable(doc.missing.join(QStringLiteral(", "))));
        return 1;
    }
    QPdfWriter pdf(output);
    pdf.setTitle(doc.begin().text());
    pdf.setCreator(QStringLiteral("masment"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                  QPageLayout::Millimeter));
    pdf.setResolution(300);
    doc.print(&pdf);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: masment-manual INPUT.md OUTPUT.pdf [PICTURE-FOLDER...]\n");
        return 2;
    }
    return render(args.at(0), args.at(1), args.mid(2));
}
