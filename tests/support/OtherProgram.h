#pragma once

#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

// Another program holding a database open: Firebird's own command-line tool with
// an attachment of its own engine, as a second estimating program would.
class OtherProgram {
public:
    explicit OtherProgram(const QString& path)
    {
        m_p.start(QStringLiteral("isql-fb"), {"-user", "sysdba", "-password", "tollgates", path});
        m_p.write("select 'held' from rdb$database;\n");
        QByteArray seen;
        while (!seen.contains("held") && m_p.waitForReadyRead(10000))
            seen += m_p.readAllStandardOutput();
        EXPECT_TRUE(seen.contains("held")) << seen.toStdString();
    }
    ~OtherProgram()
    {
        m_p.write("quit;\n");
        m_p.closeWriteChannel();
        if (!m_p.waitForFinished(10000))
            m_p.kill();
    }

private:
    QProcess m_p;
};
