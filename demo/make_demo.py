#!/usr/bin/python3
"""Writes the demo channel lists (all names and ids are made up).

    /usr/bin/python3 demo/make_demo.py

The files come out in the layout Pelloran itself writes (TAB indentation,
" />" for empty elements, LF line ends, UTF-8), so opening and saving them in
the program changes nothing. The bouquet entries are built from the service
tables, which keeps their ids and names in step with the services they point
at; the one entry meant to stay unlinked is listed on its own.

demo/ holds a satellite set (Services, MyServices, Bouquets, KingOfSat);
demo/cable/ a cable set. One zapit file holds either satellites or cable
networks, never both, so the cable network cannot share the satellite file.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))

TV, RADIO, DATA = "01", "02", "0c"


def escaped(value):
    return (value.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


def element(indent, name, attributes, self_closing):
    text = "\t" * indent + "<" + name
    for key, value in attributes:
        text += " %s=\"%s\"" % (key, escaped(value))
    return text + (" />\n" if self_closing else ">\n")


def document(body):
    return ('<?xml version="1.0" encoding="UTF-8" ?>\n<zapit>\n<!--\n'
            "    Settings created by Pelloran\n//-->\n" + body + "</zapit>\n")


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


# ---------------------------------------------------------------- satellites
# (name, diseqc, position, transponders); transponder: (tsid, onid, frequency,
# inversion, symbol rate, fec, polarization, services); service: (sid, name, type)

SATELLITES = [
    ("Astra 19.2E", "0", "192", [
        ("0401", "0001", "11836000", "2", "27500000", "3", "0", [
            ("6dca", "Das Erste", TV),
            ("6dcb", "Bayerisches Fernsehen Süd", TV),
            ("6dcc", "Heimatkanal Nord", TV),
            ("6dd0", "Radio Alpenglühen", RADIO),
            ("6dd1", "Klassik & Jazz", RADIO),
        ]),
        ("0437", "0001", "11953500", "2", "27500000", "3", "0", [
            ("6d66", "ZDF", TV),
            ("6d67", "3sat", TV),
            ("6d68", "Kinderkanal Sonnenschein", TV),
            ("6d6e", "Dokumente & Reportagen", TV),
            ("0011", "EPG-Daten", DATA),
        ]),
        ("0441", "0001", "12148000", "2", "27500000", "3", "1", [
            ("2ee3", "Shop & Spar 24", TV),
            ("2ee4", "Wetter Live", TV),
            ("2ee5", "Nachrichten Plus", TV),
            ("2ee6", "Mitternachtskino", TV),
            ("2eef", "Zeitgeist Radio", RADIO),
            ("2ef0", "Softwareupdate", DATA),
        ]),
        ("043f", "0001", "12603500", "2", "22000000", "5", "1", [
            ("5301", "Первый Европейский", TV),
            ("5302", "Детский Мир", TV),
            ("5310", "Радио Волна", RADIO),
        ]),
    ]),
    ("Hot Bird 13.0E", "1", "130", [
        ("3200", "013e", "11034000", "0", "27500000", "3", "1", [
            ("3201", "Notizie Ventiquattro", TV),
            ("3202", "Cinéma Étoile", TV),
            ("3203", "Musica Libera", RADIO),
        ]),
        ("3300", "013e", "11642000", "0", "27500000", "3", "0", [
            ("3301", "Звезда Плюс", TV),
            ("3302", "Кино Хит", TV),
            ("3310", "Радио Маяк-Европа", RADIO),
        ]),
        ("2e00", "013e", "12597000", "0", "27500000", "3", "1", [
            ("2e01", "Mediterraneo TV", TV),
            ("2e02", "Ελληνικό Κανάλι", TV),
            ("2e10", "Fado & Saudade", RADIO),
        ]),
    ]),
    ("Astra 28.2E", "2", "282", [
        ("07e5", "0002", "10773000", "0", "22000000", "5", "0", [
            ("1a2b", "Britannia One", TV),
            ("1a2c", "Britannia Two", TV),
            ("1a40", "Highland Radio", RADIO),
        ]),
        ("0805", "0002", "11426000", "0", "27500000", "2", "0", [
            ("1c01", "Tea & Biscuits TV", TV),
            ("1c20", "Coastline FM", RADIO),
            ("1c30", "Interactive Guide", DATA),
        ]),
    ]),
    ("Thor 0.8W", "3", "-8", [
        ("0c1c", "0046", "10778000", "0", "24500000", "7", "1", [
            ("0f01", "Nordlys TV", TV),
            ("0f02", "Fjord Radio", RADIO),
        ]),
    ]),
]

# The user's own entries: (satellite, transponder tsid, sid, action, name, type).
# "add" brings a service the list lacks, "remove" hides one it has, "replace"
# renames one; the last "remove" names a service that is gone, so the program
# shows it as obsolete.
MY_SERVICES = [
    ("Astra 19.2E", "0401", "6dd5", "add", "Regionalfenster Süd", TV),
    ("Astra 19.2E", "0437", "6d67", "replace", "3sat Kultur", TV),
    ("Astra 19.2E", "0441", "2ee3", "remove", "Shop & Spar 24", TV),
    ("Astra 19.2E", "0441", "2ee9", "remove", "Teleshop Gestern", TV),
    ("Hot Bird 13.0E", "3300", "3302", "replace", "Кино Хит Премьера", TV),
    ("Hot Bird 13.0E", "3300", "3311", "add", "Радио Дача", RADIO),
]

# (name, hidden, locked, [(satellite, sid)]); each entry takes its ids and
# name from the service, the user's entry winning as it does when linking.
BOUQUETS = [
    ("Favoriten", "0", "0", [
        ("Astra 19.2E", "6dca"), ("Astra 19.2E", "6d66"), ("Astra 19.2E", "6d67"),
        ("Astra 19.2E", "6dcb"), ("Astra 19.2E", "6dd5"), ("Hot Bird 13.0E", "3202"),
        ("Astra 28.2E", "1a2b"), ("Thor 0.8W", "0f01"),
    ]),
    ("Nachrichten & Wetter", "0", "0", [
        ("Astra 19.2E", "2ee5"), ("Astra 19.2E", "2ee4"), ("Hot Bird 13.0E", "3201"),
    ]),
    ("Radio", "0", "0", [
        ("Astra 19.2E", "6dd0"), ("Astra 19.2E", "6dd1"), ("Astra 19.2E", "2eef"),
        ("Hot Bird 13.0E", "3310"), ("Hot Bird 13.0E", "3311"), ("Hot Bird 13.0E", "2e10"),
        ("Astra 28.2E", "1c20"), ("Thor 0.8W", "0f02"),
    ]),
    ("Русские каналы", "0", "0", [
        ("Astra 19.2E", "5301"), ("Astra 19.2E", "5302"), ("Hot Bird 13.0E", "3301"),
        ("Hot Bird 13.0E", "3302"), ("Astra 19.2E", "5310"),
    ]),
    ("Spätprogramm", "0", "1", [
        ("Astra 19.2E", "2ee6"), ("Astra 19.2E", "6d6e"),
    ]),
    ("Service", "1", "0", [
        ("Astra 19.2E", "0011"), ("Astra 19.2E", "2ef0"), ("Astra 28.2E", "1c30"),
    ]),
]

# A bouquet entry whose service left the list: (bouquet, name, sid, tsid, onid, position).
OBSOLETE_ENTRY = ("Favoriten", "Sender Abgeschaltet", "6dff", "0401", "0001", "192")


def satellite_services():
    """{(satellite, sid): (name, tsid, onid, position)} of the services file,
    overlaid with the user's entries of the my-services file."""
    found = {}
    transponders = {}
    for name, _, position, tps in SATELLITES:
        for tsid, onid, *_, services in tps:
            transponders[(name, tsid)] = (onid, position)
            for sid, service, _ in services:
                found[(name, sid)] = (service, tsid, onid, position)
    for sat, tsid, sid, _, service, _ in MY_SERVICES:
        onid, position = transponders[(sat, tsid)]
        found[(sat, sid)] = (service, tsid, onid, position)
    return found


def services_file():
    body = ""
    for name, diseqc, position, tps in SATELLITES:
        body += element(1, "sat", [("name", name), ("diseqc", diseqc), ("position", position)],
                        False)
        for tsid, onid, freq, inv, sr, fec, pol, services in tps:
            body += element(2, "transponder", [
                ("id", tsid), ("onid", onid), ("frequency", freq), ("inversion", inv),
                ("symbol_rate", sr), ("fec_inner", fec), ("polarization", pol)], False)
            for sid, service, kind in services:
                body += element(3, "channel", [("service_id", sid), ("name", service),
                                               ("service_type", kind)], True)
            body += "\t\t</transponder>\n"
        body += "\t</sat>\n"
    return document(body)


def my_services_file():
    # Grouped by satellite and transponder in the order of first mention;
    # the transponders carry the services file's values so the entries match.
    sats = {name: (diseqc, {tp[0]: tp for tp in tps}) for name, diseqc, _, tps in SATELLITES}
    groups = {}
    for sat, tsid, sid, action, service, kind in MY_SERVICES:
        groups.setdefault(sat, {}).setdefault(tsid, []).append((sid, action, service, kind))
    body = ""
    for sat, tps in groups.items():
        diseqc, known = sats[sat]
        body += element(1, "sat", [("name", sat), ("diseqc", diseqc)], False)
        for tsid, entries in tps.items():
            _, onid, freq, inv, sr, fec, pol, _ = known[tsid]
            body += element(2, "transponder", [
                ("id", tsid), ("onid", onid), ("frequency", freq), ("inversion", inv),
                ("symbol_rate", sr), ("fec_inner", fec), ("polarization", pol)], False)
            for sid, action, service, kind in entries:
                body += element(3, "channel", [("service_id", sid), ("action", action),
                                               ("name", service), ("service_type", kind)], True)
            body += "\t\t</transponder>\n"
        body += "\t</sat>\n"
    return document(body)


def bouquets_file():
    services = satellite_services()
    body = ""
    for name, hidden, locked, entries in BOUQUETS:
        body += element(1, "Bouquet", [("name", name), ("hidden", hidden), ("locked", locked)],
                        False)
        for sat, sid in entries:
            service, tsid, onid, position = services[(sat, sid)]
            body += element(3, "channel", [("serviceID", sid), ("name", service), ("tsid", tsid),
                                           ("onid", onid), ("sat_position", position)], True)
        bouquet, service, sid, tsid, onid, position = OBSOLETE_ENTRY
        if bouquet == name:
            body += element(3, "channel", [("serviceID", sid), ("name", service), ("tsid", tsid),
                                           ("onid", onid), ("sat_position", position)], True)
        body += "\t</Bouquet>\n"
    return document(body)


# ------------------------------------------------------------------ KingOfSat
# What a download from the KingOfSat pages leaves: satellites named
# "<satellite> (<position>)", DiSEqC 0, every service typed TV, ids in upper
# case, and country, category, encryption and provider filled in.
# transponder: (tsid, onid, frequency, symbol rate, fec, polarization, provider,
# services); service: (sid, name, country, category, encryption)

KINGOFSAT = [
    ("Astra 1M (19.2°E)", [
        ("0401", "0001", "11836000", "27500000", "3", "0", "Rundfunkverbund Mitte", [
            ("6DCA", "Das Erste", "Germany", "General", "Clear"),
            ("6DCB", "Bayerisches Fernsehen Süd", "Germany", "Regional", "Clear"),
            ("6DD5", "Regionalfenster Süd", "Germany", "Regional", "Clear"),
        ]),
        ("0437", "0001", "11953500", "27500000", "3", "0", "Zweites Programm & Partner", [
            ("6D66", "ZDF", "Germany", "General", "Clear"),
            ("6D67", "3sat", "Germany/Austria/Switzerland", "Culture", "Clear"),
            ("6D6F", "Wissen & Entdecken", "Germany", "Documentary", "Clear"),
        ]),
        ("0455", "0001", "12226500", "27500000", "3", "1", "Bezahlfernsehen AG", [
            ("7001", "Kino Premium 1", "Germany", "Movies", "Nagravision"),
            ("7002", "Sport Arena", "Germany", "Sports", "Nagravision"),
        ]),
    ]),
    ("Hot Bird 13C (13.0°E)", [
        ("3300", "013E", "11642000", "27500000", "3", "0", "Восток Медиа", [
            ("3301", "Звезда Плюс", "Russia", "General", "Clear"),
            ("3302", "Кино Хит", "Russia", "Movies", "Clear"),
            ("3303", "Музыка Ночью", "Russia", "Music", "Clear"),
        ]),
        ("3400", "013E", "11727000", "27500000", "3", "1", "Mediterranea Sat", [
            ("3401", "Cucina & Famiglia", "Italy", "Lifestyle", "Clear"),
            ("3402", "Ελληνικό Κανάλι 2", "Greece", "General", "Conax"),
        ]),
    ]),
]


def kingofsat_file():
    body = ""
    for name, tps in KINGOFSAT:
        body += element(1, "sat", [("name", name), ("diseqc", "0")], False)
        for tsid, onid, freq, sr, fec, pol, provider, services in tps:
            body += element(2, "transponder", [
                ("id", tsid), ("onid", onid), ("frequency", freq), ("inversion", "0"),
                ("symbol_rate", sr), ("fec_inner", fec), ("polarization", pol)], False)
            for sid, service, country, category, encryption in services:
                body += element(3, "channel", [
                    ("service_id", sid), ("name", service), ("service_type", TV),
                    ("country", country), ("category", category), ("encryption", encryption),
                    ("provider", provider)], True)
            body += "\t\t</transponder>\n"
        body += "\t</sat>\n"
    return document(body)


# ---------------------------------------------------------------------- cable
# One cable network: (tsid, onid, frequency, symbol rate, modulation, services).

CABLE_NAME = "Kabelnetz Musterstadt"
CABLE = [
    ("0001", "f001", "3300", "6900", "3", [
        ("0064", "Das Erste", TV),
        ("0065", "ZDF", TV),
        ("0066", "Stadtfernsehen Musterstadt", TV),
        ("0070", "Radio Rheinwelle", RADIO),
    ]),
    ("0002", "f001", "3380", "6900", "3", [
        ("00c8", "3sat", TV),
        ("00c9", "Bayerisches Fernsehen Süd", TV),
        ("00d0", "Klassik & Jazz", RADIO),
    ]),
    ("0003", "f001", "4500", "6900", "5", [
        ("012c", "Kino Premium 1", TV),
        ("012d", "Kino Premium 2", TV),
        ("012e", "Sport Arena", TV),
        ("0130", "Первый Европейский", TV),
        ("0140", "Guide-Daten", DATA),
    ]),
]

CABLE_MY_SERVICES = [
    ("0001", "0067", "add", "Bürgerkanal Musterstadt", TV),
    ("0001", "0066", "replace", "Stadt-TV Musterstadt", TV),
    ("0003", "012e", "remove", "Sport Arena", TV),
]

CABLE_BOUQUETS = [
    ("Favoriten", "0", "0", ["0064", "0065", "00c8", "00c9", "0066", "0067", "0130"]),
    ("Radio", "0", "0", ["0070", "00d0"]),
    ("Kino & Sport", "0", "1", ["012c", "012d", "012e"]),
    ("Service", "1", "0", ["0140"]),
]

CABLE_OBSOLETE_ENTRY = ("Favoriten", "Lokalsender Alt", "0099", "0001", "f001")


def cable_services():
    found = {}
    transponders = {}
    for tsid, onid, *_, services in CABLE:
        transponders[tsid] = onid
        for sid, service, _ in services:
            found[sid] = (service, tsid, onid)
    for tsid, sid, _, service, _ in CABLE_MY_SERVICES:
        found[sid] = (service, tsid, transponders[tsid])
    return found


def cable_transponder(tp):
    tsid, onid, freq, sr, modulation, _ = tp
    return element(2, "transponder", [
        ("id", tsid), ("onid", onid), ("frequency", freq), ("inversion", "0"),
        ("symbol_rate", sr), ("fec_inner", "0"), ("modulation", modulation)], False)


def cable_services_file():
    body = element(1, "cable", [("name", CABLE_NAME)], False)
    for tp in CABLE:
        body += cable_transponder(tp)
        for sid, service, kind in tp[5]:
            body += element(3, "channel", [("service_id", sid), ("name", service),
                                           ("service_type", kind)], True)
        body += "\t\t</transponder>\n"
    return document(body + "\t</cable>\n")


def cable_my_services_file():
    known = {tp[0]: tp for tp in CABLE}
    groups = {}
    for tsid, sid, action, service, kind in CABLE_MY_SERVICES:
        groups.setdefault(tsid, []).append((sid, action, service, kind))
    body = element(1, "cable", [("name", CABLE_NAME)], False)
    for tsid, entries in groups.items():
        body += cable_transponder(known[tsid])
        for sid, action, service, kind in entries:
            body += element(3, "channel", [("service_id", sid), ("action", action),
                                           ("name", service), ("service_type", kind)], True)
        body += "\t\t</transponder>\n"
    return document(body + "\t</cable>\n")


def cable_bouquets_file():
    services = cable_services()
    body = ""
    for name, hidden, locked, sids in CABLE_BOUQUETS:
        body += element(1, "Bouquet", [("name", name), ("hidden", hidden), ("locked", locked)],
                        False)
        for sid in sids:
            service, tsid, onid = services[sid]
            body += element(3, "channel", [("serviceID", sid), ("name", service), ("tsid", tsid),
                                           ("onid", onid)], True)
        bouquet, service, sid, tsid, onid = CABLE_OBSOLETE_ENTRY
        if bouquet == name:
            body += element(3, "channel", [("serviceID", sid), ("name", service), ("tsid", tsid),
                                           ("onid", onid)], True)
        body += "\t</Bouquet>\n"
    return document(body)


def main():
    write(os.path.join(HERE, "Services.xml"), services_file())
    write(os.path.join(HERE, "MyServices.xml"), my_services_file())
    write(os.path.join(HERE, "Bouquets.xml"), bouquets_file())
    write(os.path.join(HERE, "KingOfSat.xml"), kingofsat_file())
    cable = os.path.join(HERE, "cable")
    os.makedirs(cable, exist_ok=True)
    write(os.path.join(cable, "Services.xml"), cable_services_file())
    write(os.path.join(cable, "MyServices.xml"), cable_my_services_file())
    write(os.path.join(cable, "Bouquets.xml"), cable_bouquets_file())


if __name__ == "__main__":
    main()
