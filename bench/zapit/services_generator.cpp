#include "services_generator.h"

#include <QFile>

namespace {

constexpr int kServicesPerTransponder = 50;
constexpr int kTranspondersPerSatelite = 100;

} // namespace

bool writeGeneratedServices(const QString &fileName, int services, int renameEvery)
{
    QByteArray text;
    text.reserve(qsizetype(services) * 110);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<zapit>\n<!--\n"
            "    Settings created by Pelloran\n//-->\n";
    int n = 0;
    for (int sat = 0; n < services; ++sat) {
        text += "\t<sat name=\"Satellite " + QByteArray::number(sat) + "\" diseqc=\""
            + QByteArray::number(sat % 4) + "\" position=\"" + QByteArray::number(sat * 10)
            + "\">\n";
        for (int tp = 0; tp < kTranspondersPerSatelite && n < services; ++tp) {
            text += "\t\t<transponder id=\"" + QByteArray::number(tp + 1, 16).rightJustified(4, '0')
                + "\" onid=\"0001\" frequency=\"" + QByteArray::number(10700000 + tp * 19500)
                + "\" inversion=\"0\" symbol_rate=\"27500000\" fec_inner=\"3\" polarization=\""
                + QByteArray::number(tp % 2) + "\">\n";
            for (int s = 0; s < kServicesPerTransponder && n < services; ++s, ++n) {
                const bool renamed = renameEvery > 0 && n % renameEvery == 0;
                text += "\t\t\t<channel service_id=\""
                    + QByteArray::number(s + 1, 16).rightJustified(4, '0') + "\" name=\""
                    + (renamed ? "Renamed Channel " : "Channel Name ") + QByteArray::number(n)
                    + "\" service_type=\"" + (s % 5 == 4 ? "02" : "01") + "\" channel_nr=\""
                    + QByteArray::number(n % 1000) + "\" />\n";
            }
            text += "\t\t</transponder>\n";
        }
        text += "\t</sat>\n";
    }
    text += "</zapit>\n";
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}
