#include "model/BootstrapResponse.h"

#include <QTest>

namespace {

QByteArray withMemberships(const char* memberships)
{
    return QByteArray(R"({"account":{"email_address":"a@b.it","memberships":[)") + memberships +
           "]}}";
}

} // namespace

class TestBootstrapResponse : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void choosesOrganization_data();
    void choosesOrganization();
};

void TestBootstrapResponse::decodes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("errorMentions"); // empty: decodes

    QTest::newRow("empty object") << QByteArray("{}") << "";
    QTest::newRow("null organization") << withMemberships(R"({"organization":null},{})") << "";
    QTest::newRow("no name, null capabilities")
        << withMemberships(R"({"organization":{"uuid":"u","capabilities":null}})") << "";
    QTest::newRow("extra keys")
        << QByteArray(
               R"({"z":1,"account":{"q":[1],"memberships":[{"r":2,"organization":{"uuid":"u","s":3}}]}})")
        << "";
    QTest::newRow("missing uuid beside a usable one")
        << withMemberships(R"({"organization":{"uuid":"ok"}},{"organization":{"name":"x"}})")
        << "account.memberships[1].organization.uuid";
    QTest::newRow("number uuid") << withMemberships(R"({"organization":{"uuid":7}})")
                                 << "account.memberships[0].organization.uuid";
    QTest::newRow("non-string capability")
        << withMemberships(R"({"organization":{"uuid":"u","capabilities":["a",1]}})")
        << "capabilities[1]";
    QTest::newRow("memberships not array")
        << QByteArray(R"({"account":{"memberships":{}}})") << "account.memberships";
}

void TestBootstrapResponse::decodes()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, errorMentions);
    const auto reply = BootstrapResponse::decode(json);
    QCOMPARE(reply.hasValue(), errorMentions.isEmpty());
    if (!reply)
        QVERIFY2(reply.error().contains(errorMentions), qPrintable(reply.error()));
}

void TestBootstrapResponse::choosesOrganization_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("chosenUuid"); // empty: "Nessuna organizzazione trovata"

    QTest::newRow("no account") << QByteArray("{}") << "";
    QTest::newRow("no memberships") << QByteArray(R"({"account":{}})") << "";
    QTest::newRow("empty list") << withMemberships("") << "";
    QTest::newRow("max wins over first")
        << withMemberships(
               R"({"organization":{"uuid":"A","capabilities":["chat"]}},{"organization":{"uuid":"B","capabilities":["chat","zelvik_max"]}})")
        << "B";
    QTest::newRow("no winner: first")
        << withMemberships(
               R"({"organization":{"uuid":"A"}},{"organization":{"uuid":"B","capabilities":["chat"]}})")
        << "A";
    QTest::newRow("first has no org, second max")
        << withMemberships(R"({},{"organization":{"uuid":"B","capabilities":["zelvik_max"]}})")
        << "B";
    QTest::newRow("first has no org, second plain")
        << withMemberships(R"({},{"organization":{"uuid":"B","capabilities":["chat"]}})") << "";
    QTest::newRow("case differs")
        << withMemberships(
               R"({"organization":{"uuid":"A"}},{"organization":{"uuid":"B","capabilities":["Zelvik_Max","zelvik_max_x"]}})")
        << "A";
}

void TestBootstrapResponse::choosesOrganization()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, chosenUuid);
    const auto reply = BootstrapResponse::decode(json);
    QVERIFY(reply);
    const auto org = reply->chooseOrganization();
    if (chosenUuid.isEmpty()) {
        QVERIFY(!org);
        QCOMPARE(org.error().errorDescription(),
                 QStringLiteral("Errore parsing risposta: Nessuna organizzazione trovata"));
    } else {
        QVERIFY(org);
        QCOMPARE(org->uuid, chosenUuid);
    }
}

QTEST_GUILESS_MAIN(TestBootstrapResponse)
#include "test_bootstrap_response.moc"
