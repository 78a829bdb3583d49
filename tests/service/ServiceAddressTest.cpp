// The service address rule: every case of service_urls.txt (which the build's check reads too), and a
// client given a refused address sends nothing.
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

TEST(ServiceAddressTest, JudgesEveryCaseAsTheBuildDoes) {
    QFile table(QStringLiteral(LEXICARTA_SERVICE_URL_CASES));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly | QIODevice::Text));
    int cases = 0;
    while (!table.atEnd()) {
        const QString line = QString::fromUtf8(table.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString url = line.section(QLatin1Char(' '), 1);
        const QString problem = ServiceAddress::Problem(url);
        EXPECT_EQ(problem.isEmpty(), line.startsWith(QLatin1String("accept "))) << line.toStdString();
        ++cases;
    }
    EXPECT_GT(cases, 20);
    EXPECT_EQ(ServiceAddress::Problem(QStringLiteral("http://lexicarta.example")),
              QStringLiteral(
                  "plain http is allowed only to 127.0.0.0/8 and [::1]; use https for lexicarta.example"));
}

TEST(ServiceAddressTest, TheEnvironmentOverridesTheBuild) {
    qunsetenv("LEXICARTA_SERVICE_URL");
    EXPECT_EQ(ServiceAddress::Configured(), QStringLiteral(LEXICARTA_DEFAULT_SERVICE_URL));
    EXPECT_TRUE(ServiceAddress::Problem(ServiceAddress::Configured()).isEmpty());
    qputenv("LEXICARTA_SERVICE_URL", "http://lexicarta.example");
    EXPECT_EQ(ServiceAddress::Configured(), QStringLiteral("http://lexicarta.example"));
    // A client on such an address sends nothing to it.
    ServiceClient client;
    QString text = QStringLiteral("kept");
    EXPECT_EQ(client.GetLibrary(text), ServiceClient::ResultNoRequest);
    EXPECT_EQ(client.Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultNoRequest);
    qunsetenv("LEXICARTA_SERVICE_URL");
}

} // namespace
