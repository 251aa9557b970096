// "show in genome browser" against a stand-in that listens on a local port
// as IGV's batch port does, records the commands and answers each.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include "model/igv_link.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

// Answers every line with `answer` on a thread of its own (the link waits
// on its socket, so the stand-in cannot share its thread).
class StandIn final : public QThread {
public:
    explicit StandIn(QByteArray answer) : answer_(std::move(answer)) {
        server_.listen(QHostAddress::LocalHost, 0);
        port = server_.serverPort();
        server_.moveToThread(this);
    }
    void run() override {
        if (!server_.waitForNewConnection(10000)) return;
        QTcpSocket* client = server_.nextPendingConnection();
        while (client->waitForReadyRead(3000)) {
            while (client->canReadLine()) {
                commands.append(QString::fromUtf8(client->readLine()).trimmed());
                client->write(answer_ + '\n');
                client->waitForBytesWritten(3000);
            }
        }
    }
    quint16 port = 0;
    QStringList commands;

private:
    QByteArray answer_;
    QTcpServer server_;
};

TEST(IgvLink, TracksAreLoadedThenThePositionShown) {
    QTemporaryDir dir;
    QFile bed(dir.filePath("s.bed"));
    ASSERT_TRUE(bed.open(QIODevice::WriteOnly));
    bed.write("track name=\"x\"\nNC_001416.1\t2\t18\t4\t1000\t+\n");
    bed.close();
    const QStringList tracks = IgvLink::tracksOf(dir.path(), {"s.txt", "s.bed", "sLog.txt", "s_Up.bw"});
    EXPECT_EQ(tracks, (QStringList{dir.filePath("s.bed"), dir.filePath("s_Up.bw")}));
    EXPECT_EQ(IgvLink::sequenceOf(tracks), "NC_001416.1");
    EXPECT_EQ(IgvLink::locusAround("NC_001416.1", 3), "NC_001416.1:1-103");
    EXPECT_EQ(IgvLink::locusAround("c", 500, 50), "c:450-550");

    StandIn igv("OK");
    igv.start();
    EXPECT_EQ(IgvLink(igv.port).show(tracks, "NC_001416.1:1-103"), QString());
    igv.wait();
    EXPECT_EQ(igv.commands, (QStringList{"load " + dir.filePath("s.bed"), "load " + dir.filePath("s_Up.bw"),
                                         "goto NC_001416.1:1-103"}));
}

TEST(IgvLink, ARefusalOrNoBrowserIsSaidWithWhatToDo) {
    StandIn refusing("ERROR: file not found");
    refusing.start();
    EXPECT_EQ(IgvLink(refusing.port).show({"/x.bed"}, "c:1-10"),
              "the genome browser answered \"ERROR: file not found\" to \"load /x.bed\"");
    refusing.wait();

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();  // nothing listens there now
    const QString said = IgvLink(port, 2000).show({"/x.bed"}, "c:1-10");
    EXPECT_TRUE(said.startsWith(QStringLiteral("no genome browser answers on port %1").arg(port))) << said;
    EXPECT_TRUE(said.contains("start IGV")) << said;
}

}  // namespace
}  // namespace quellon
