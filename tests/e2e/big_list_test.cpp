// A receiver list of 100,000 services through a whole session: shown,
// filtered, dragged from, saved and found again after a restart.

#include "e2e_ui.h"

#include <gtest/gtest.h>

namespace {

constexpr int kTransponders = 1000;
constexpr int kPerTransponder = 100;

QByteArray bigServices()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n"
                     "\t<sat name=\"Astra 19.2E\" diseqc=\"0\">\n";
    for (int t = 0; t < kTransponders; ++t) {
        xml += QStringLiteral("\t\t<transponder id=\"%1\" onid=\"0001\" frequency=\"%2\" inversion=\"2\" "
                              "symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\"0\">\n")
                   .arg(t + 1, 4, 16, QLatin1Char('0'))
                   .arg(10700000 + t * 1000)
                   .toUtf8();
        for (int s = 0; s < kPerTransponder; ++s) {
            const int n = t * kPerTransponder + s;
            xml += QStringLiteral("\t\t\t<channel service_id=\"%1\" name=\"Kanal %2\" service_type=\"%3\" />\n")
                       .arg(n % 0xFFFF + 1, 4, 16, QLatin1Char('0'))
                       .arg(n)
                       .arg(n % 10 == 0 ? QStringLiteral("02") : QStringLiteral("01"))
                       .toUtf8();
        }
        xml += "\t\t</transponder>\n";
    }
    xml += "\t</sat>\n</zapit>\n";
    return xml;
}

} // namespace

E2E_STEP(big_list)
{
    TFrmMain &main = step.main();
    const int services = kTransponders * kPerTransponder;
    step.check(main.ServicesGrid->RowCount() == services,
               QStringLiteral("every service is shown (%1)").arg(main.ServicesGrid->RowCount()));

    // A filter narrows the grid, and emptying it brings every row back.
    main.EdtFilterServices->setText(QStringLiteral("Kanal 9999*"));
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    step.check(main.ServicesGrid->RowCount() == 11,
               QStringLiteral("the filter finds Kanal 9999 and 99990-99999 (%1)").arg(main.ServicesGrid->RowCount()));
    main.EdtFilterServices->setText(QStringLiteral("*"));
    QTest::keyClick(main.EdtFilterServices, Qt::Key_Return);
    step.check(main.ServicesGrid->RowCount() == services, "the whole list is back");

    step.prompts.typed = {QStringLiteral("Big")};
    trigger(step, "PopupItmBouBouquetNew");
    // The last row of the grid, scrolled to.
    const int last = main.ServicesGrid->RowCount() - 1;
    main.ServicesGrid->ScrollToRow(last);
    QCoreApplication::processEvents();
    dragServiceIntoBouquet(step, last);
    const TBouquet *bouquet = main.CurrentBouquet();
    step.check(bouquet && bouquet->Name == "Big" && bouquet->Count() == 1
                   && bouquet->GetItem(0)->Name == cellText(main.ServicesGrid, "ColSerName", last),
               "the last service was dragged into the bouquet");
    step.report("state-first.txt", describeLists(step.program).left(100000));
    step.prompts.answers = {TPrompts::mbYes};
}

E2E_STEP(big_list_again)
{
    step.report("state-restart.txt", describeLists(step.program).left(100000));
}

TEST(BigList, AHundredThousandServicesThroughASession)
{
    TE2EWorld world;
    writeBytes(world.path("Services.xml"), bigServices());
    const TRunResult first = world.run("big_list");
    ASSERT_TRUE(first.ok()) << first.output.toStdString();
    EXPECT_TRUE(world.bytes("Bouquets.xml").contains("Big"));
    const TRunResult again = world.run("big_list_again");
    ASSERT_TRUE(again.ok()) << again.output.toStdString();
    EXPECT_EQ(world.bytes("state-restart.txt"), world.bytes("state-first.txt"));
}
