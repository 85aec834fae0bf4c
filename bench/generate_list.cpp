// Writes a -listinfo text of a complete current collection's shape: 45,000 games (26,000 of
// them clones), about 340,000 ROMs, 27,000 samples, ROMs shared between parents and clones
// (sometimes under other names), and a family of NeoGeo games. With --xml the same list is
// written as MAME's -listxml does, with a DTD and the elements a real machine has besides
// its ROMs (chips, dip switches, ports, slots, ...), about 270 MB like MAME 0.251's. The
// same seed always gives the same file.
//
// usage: generate_list [--xml] OUTPUT [SEED]

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kGames = 45000;
constexpr int kClones = 26000;
constexpr int kParents = kGames - kClones;
constexpr int kNeoGeoGames = 160;
constexpr int kSampleTarget = 27000;

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {  // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Between(int low, int high) {  // inclusive
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    std::uint32_t Crc() { return static_cast<std::uint32_t>(Next() | 1u); }

  private:
    std::uint64_t state_;
};

struct Rom {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    bool hasCrc = true;
    std::string region;
};

struct Game {
    std::string name;
    std::string description;
    std::string cloneOf;
    std::string sampleOf;
    std::string year;
    std::string maker;
    std::vector<Rom> roms;
    std::vector<std::string> samples;
};

const char* const kSyllables[] = {"ka",  "ro",  "zen", "tor", "mi", "lan", "bu",  "rex",
                                  "sho", "va",  "gal", "dro", "pi", "nex", "qua", "sor",
                                  "fu",  "tek", "ly",  "mo",  "ar", "cy",  "don", "el",
                                  "gra", "hex", "jo",  "kry", "ul", "zo"};
const char* const kWords[] = {
    "Super",  "Mega",    "Turbo",  "Galactic", "Dragon", "Ninja",  "Street",  "Thunder", "Star",
    "Cyber",  "Final",   "Blade",  "Rally",    "Space",  "Golden", "Iron",    "Shadow",  "Crystal",
    "Rocket", "Fighter", "Quest",  "Warriors", "Legend", "Racer",  "Force",   "Strike",  "Battle",
    "Hero",   "Puzzle",  "Bomber", "Knight",   "Tiger",  "Storm",  "Pinball", "Derby"};
const char* const kRegions[] = {"World",  "US",        "Japan",   "Europe",
                                "Asia",   "Korea",     "Brazil",  "Hispanic",
                                "Taiwan", "Hong Kong", "bootleg", "prototype"};
const char* const kRegionsRom[] = {"maincpu", "audiocpu", "gfx1", "gfx2",  "proms",
                                   "sprites", "tiles",    "oki",  "ymsnd", "plds"};
const char* const kMakers[] = {"Pixel Forge",    "Arcadia Ltd.",  "Neon Systems",
                               "Blue Sky Games", "Circuit Works", "Omega Amusements",
                               "bootleg",        "Kairos"};

template <std::size_t N>
const char* Pick(Random& random, const char* const (&list)[N]) {
    return list[random.Next() % N];
}

std::string Hex(std::uint64_t value, int digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) {
        text[static_cast<std::size_t>(i)] = kDigits[value & 15];
    }
    return text;
}

std::string UniqueName(Random& random, std::unordered_set<std::string>& used, int syllables) {
    for (;;) {
        std::string name;
        for (int i = 0; i < syllables; ++i)
            name += Pick(random, kSyllables);
        if (random.Chance(30))
            name += std::to_string(random.Between(2, 99));
        if (name.size() > 14)
            name.resize(14);
        if (used.insert(name).second)
            return name;
    }
}

// Titles are unique, so every description is.
std::string Title(Random& random, std::unordered_set<std::string>& used) {
    for (;;) {
        std::string title = Pick(random, kWords);
        const int words = random.Between(1, 4);
        for (int i = 0; i < words; ++i) {
            title += ' ';
            title += Pick(random, kWords);
        }
        if (random.Chance(25)) {
            title += ' ';
            title += std::to_string(random.Between(2, 2000));
        }
        if (used.insert(title).second) {
            return title;
        }
    }
}

Rom NewRom(Random& random, const std::string& prefix, int index) {
    Rom rom;
    rom.name = prefix.substr(0, 4) + "-" + std::to_string(index) + "." +
               (random.Chance(50) ? "ic" + std::to_string(random.Between(1, 120))
                                  : std::to_string(random.Between(1, 16)) +
                                        static_cast<char>('a' + random.Between(0, 15)));
    rom.size = 512u << random.Between(0, 12);
    rom.crc = random.Crc();
    rom.hasCrc = !random.Chance(1);
    rom.region = Pick(random, kRegionsRom);
    return rom;
}

void WriteGame(std::FILE* out, Random& random, const Game& game) {
    std::fprintf(out, "game (\n\tname %s\n\tdescription \"%s\"\n\tyear %s\n\tmanufacturer \"%s\"\n",
                 game.name.c_str(), game.description.c_str(), game.year.c_str(),
                 game.maker.c_str());
    if (!game.cloneOf.empty()) {
        std::fprintf(out, "\tcloneof %s\n\tromof %s\n", game.cloneOf.c_str(), game.cloneOf.c_str());
    }
    if (!game.sampleOf.empty())
        std::fprintf(out, "\tsampleof %s\n", game.sampleOf.c_str());
    std::uint32_t offset = 0;
    for (const Rom& rom : game.roms) {
        std::fprintf(out, "\trom ( name %s size %u", rom.name.c_str(), rom.size);
        if (rom.hasCrc) {
            std::fprintf(out, " crc %s sha1 %s%s%s", Hex(rom.crc, 8).c_str(),
                         Hex(random.Next(), 16).c_str(), Hex(random.Next(), 16).c_str(),
                         Hex(random.Next(), 8).c_str());
        } else {
            std::fprintf(out, " flags nodump");
        }
        std::fprintf(out, " region %s offset %x )\n", rom.region.c_str(), offset);
        offset += rom.size;
    }
    for (const std::string& sample : game.samples) {
        std::fprintf(out, "\tsample %s\n", sample.c_str());
    }
    std::fprintf(out,
                 "\tchip ( type cpu tag maincpu name Z80 clock %d )\n"
                 "\tchip ( type audio tag speaker name Speaker )\n"
                 "\tdisplay ( tag screen type raster rotate 0 width 256 height 224 refresh "
                 "60.000000 )\n"
                 "\tsound ( channels 1 )\n"
                 "\tinput ( players 2 control joy8way buttons 2 coins 2 )\n"
                 "\tdipswitch ( name \"Lives\" entry \"3\" entry \"5\" default \"3\" )\n"
                 "\tdipswitch ( name \"Difficulty\" entry \"Easy\" entry \"Hard\" default "
                 "\"Easy\" )\n"
                 "\tdriver ( status good emulation good color good sound good graphic good "
                 "savestate supported )\n)\n\n",
                 random.Between(1, 40) * 100000);
}

constexpr const char* kXmlHead =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE mame [\n"
    "<!ELEMENT mame (machine+)>\n"
    "\t<!ATTLIST mame build CDATA #IMPLIED>\n"
    "\t<!ATTLIST mame debug (yes|no) \"no\">\n"
    "\t<!ATTLIST mame mameconfig CDATA #REQUIRED>\n"
    "\t<!ELEMENT machine (description, year?, manufacturer?, rom*, device_ref*, sample*, chip*, "
    "display*, sound?, input?, dipswitch*, configuration*, port*, driver?, feature*, slot*)>\n"
    "\t\t<!ATTLIST machine name CDATA #REQUIRED>\n"
    "\t\t<!ATTLIST machine sourcefile CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST machine isbios (yes|no) \"no\">\n"
    "\t\t<!ATTLIST machine isdevice (yes|no) \"no\">\n"
    "\t\t<!ATTLIST machine ismechanical (yes|no) \"no\">\n"
    "\t\t<!ATTLIST machine runnable (yes|no) \"yes\">\n"
    "\t\t<!ATTLIST machine cloneof CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST machine romof CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST machine sampleof CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST rom name CDATA #REQUIRED>\n"
    "\t\t<!ATTLIST rom size CDATA #REQUIRED>\n"
    "\t\t<!ATTLIST rom crc CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST rom sha1 CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST rom region CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST rom offset CDATA #IMPLIED>\n"
    "\t\t<!ATTLIST rom status (baddump|nodump|good) \"good\">\n"
    "\t\t<!ATTLIST rom optional (yes|no) \"no\">\n"
    "\t\t<!ATTLIST display flipx (yes|no) \"no\">\n"
    "\t\t<!ATTLIST dipvalue default (yes|no) \"no\">\n"
    "]>\n\n"
    "<mame build=\"0.251 (generated)\" debug=\"no\" mameconfig=\"10\">\n";

const char* const kDipNames[] = {"Coinage",     "Lives",        "Bonus Life",
                                 "Difficulty",  "Cabinet",      "Demo Sounds",
                                 "Flip Screen", "Service Mode", "Free Play"};
const char* const kDevices[] = {"z80",     "m68000",    "ym2151",  "okim6295", "watchdog", "screen",
                                "speaker", "gfxdecode", "palette", "ls259",    "i8255",    "nvram"};

// The sample's name as XML gives it: without the ".wav" the text format lists.
std::string SampleStem(const std::string& file) {
    return file.size() > 4 && file.ends_with(".wav") ? file.substr(0, file.size() - 4) : file;
}

// The same game as WriteGame, as a <machine>. It draws the same numbers from random as
// WriteGame does, so both formats hold the same list; filler draws what only XML has.
void WriteMachine(std::FILE* out, Random& random, Random& filler, const Game& game) {
    std::fprintf(out, "\t<machine name=\"%s\" sourcefile=\"%s.cpp\"", game.name.c_str(),
                 game.name.substr(0, 4).c_str());
    if (!game.cloneOf.empty()) {
        std::fprintf(out, " cloneof=\"%s\" romof=\"%s\"", game.cloneOf.c_str(),
                     game.cloneOf.c_str());
    }
    if (!game.sampleOf.empty())
        std::fprintf(out, " sampleof=\"%s\"", game.sampleOf.c_str());
    std::fprintf(out,
                 ">\n\t\t<description>%s</description>\n\t\t<year>%s</year>\n"
                 "\t\t<manufacturer>%s</manufacturer>\n",
                 game.description.c_str(), game.year.c_str(), game.maker.c_str());
    std::uint32_t offset = 0;
    for (const Rom& rom : game.roms) {
        std::fprintf(out, "\t\t<rom name=\"%s\" size=\"%u\"", rom.name.c_str(), rom.size);
        if (rom.hasCrc) {
            std::fprintf(out, " crc=\"%s\" sha1=\"%s%s%s\"", Hex(rom.crc, 8).c_str(),
                         Hex(random.Next(), 16).c_str(), Hex(random.Next(), 16).c_str(),
                         Hex(random.Next(), 8).c_str());
        } else {
            std::fprintf(out, " status=\"nodump\"");
        }
        std::fprintf(out, " region=\"%s\" offset=\"%x\"/>\n", rom.region.c_str(), offset);
        offset += rom.size;
    }
    const int clock = random.Between(1, 40) * 100000;
    for (int i = filler.Between(6, 24); i > 0; --i)
        std::fprintf(out, "\t\t<device_ref name=\"%s\"/>\n", Pick(filler, kDevices));
    for (const std::string& sample : game.samples)
        std::fprintf(out, "\t\t<sample name=\"%s\"/>\n", SampleStem(sample).c_str());
    std::fprintf(out,
                 "\t\t<chip type=\"cpu\" tag=\"maincpu\" name=\"Zilog Z80\" clock=\"%d\"/>\n"
                 "\t\t<chip type=\"audio\" tag=\"speaker\" name=\"Speaker\"/>\n"
                 "\t\t<display tag=\"screen\" type=\"raster\" rotate=\"0\" width=\"256\" "
                 "height=\"224\" refresh=\"60.000000\" pixclock=\"6000000\" htotal=\"384\" "
                 "hbend=\"0\" hbstart=\"256\" vtotal=\"264\" vbend=\"16\" vbstart=\"240\" />\n"
                 "\t\t<sound channels=\"1\"/>\n"
                 "\t\t<input players=\"2\" coins=\"2\">\n"
                 "\t\t\t<control type=\"joy\" player=\"1\" buttons=\"2\" ways=\"8\"/>\n"
                 "\t\t\t<control type=\"joy\" player=\"2\" buttons=\"2\" ways=\"8\"/>\n"
                 "\t\t</input>\n",
                 clock);
    for (int d = filler.Between(2, 10); d > 0; --d) {
        std::fprintf(out,
                     "\t\t<dipswitch name=\"%s\" tag=\"DSW%d\" mask=\"%d\">\n"
                     "\t\t\t<diplocation name=\"SW%d\" number=\"1\"/>\n"
                     "\t\t\t<diplocation name=\"SW%d\" number=\"2\"/>\n",
                     Pick(filler, kDipNames), d, 3 << d, d, d);
        for (int v = filler.Between(3, 9); v > 0; --v) {
            std::fprintf(out, "\t\t\t<dipvalue name=\"%d Coin/%d Credits\" value=\"%d\"%s/>\n", v,
                         v + 1, v, v == 1 ? " default=\"yes\"" : "");
        }
        std::fprintf(out, "\t\t</dipswitch>\n");
    }
    for (int p = filler.Between(3, 12); p > 0; --p)
        std::fprintf(out, "\t\t<port tag=\":IN%d\">\n\t\t\t<analog mask=\"%d\"/>\n\t\t</port>\n", p,
                     1 << p);
    if (filler.Chance(45)) {
        std::fprintf(out, "\t\t<slot name=\"ext\">\n");
        for (int o = filler.Between(3, 12); o > 0; --o) {
            std::fprintf(out, "\t\t\t<slotoption name=\"opt%d\" devname=\"%s_card%d\"/>\n", o,
                         Pick(filler, kDevices), o);
        }
        std::fprintf(out, "\t\t</slot>\n");
    }
    std::fprintf(out, "\t\t<configuration name=\"Controls\" tag=\"CONF\" mask=\"3\">\n");
    for (int c = filler.Between(3, 7); c > 0; --c) {
        std::fprintf(out, "\t\t\t<confsetting name=\"Setting %d\" value=\"%d\"%s/>\n", c, c,
                     c == 1 ? " default=\"yes\"" : "");
    }
    std::fprintf(out, "\t\t</configuration>\n");
    std::fprintf(out,
                 "\t\t<driver status=\"good\" emulation=\"good\" savestate=\"supported\"/>\n"
                 "\t</machine>\n");
}

}  // namespace

int main(int argc, char** argv) {
    const bool xml = argc > 1 && std::string(argv[1]) == "--xml";
    if (xml) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s [--xml] OUTPUT [SEED]\n", argv[0]);
        return 2;
    }
    const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240601u;
    Random random(seed);
    Random filler(~seed);  // its own numbers: the list is the same in both formats
    std::unordered_set<std::string> used;
    std::unordered_set<std::string> usedTitles;

    // Clones per parent: most parents have none or a few, some families are large.
    std::vector<int> cloneCount(kParents, 0);
    for (int i = 0; i < kClones; ++i) {
        const int parent =
            random.Chance(60) ? random.Between(0, kParents / 5) : random.Between(0, kParents - 1);
        ++cloneCount[static_cast<std::size_t>(parent)];
    }

    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    if (xml)
        std::fputs(kXmlHead, out);
    const auto write = [&](const Game& game) {
        if (xml)
            WriteMachine(out, random, filler, game);
        else
            WriteGame(out, random, game);
    };
    const std::vector<Rom> neoGeoBios = {{"neo-geo.rom", 131072, 0x9036D879u, true, "mainbios"},
                                         {"ng-sfix.rom", 131072, 0x354029FCu, true, "fixedbios"},
                                         {"ng-sm1.rom", 131072, 0x97CF998Bu, true, "audiobios"}};
    {
        Game bios{"neogeo", "Neo-Geo BIOS", "", "", "1990", "Kairos", neoGeoBios, {}};
        used.insert("neogeo");
        write(bios);
    }

    long romTotal = 0;
    long sampleTotal = 0;
    int gameTotal = 1;
    for (int p = 0; p < kParents && gameTotal < kGames; ++p) {
        Game parent;
        parent.name = UniqueName(random, used, random.Between(2, 4));
        const std::string title = Title(random, usedTitles);
        parent.description = title + " (" + Pick(random, kRegions) + ")";
        parent.year = std::to_string(random.Between(1975, 2012));
        parent.maker = Pick(random, kMakers);
        const bool neoGeo = p < kNeoGeoGames;
        const int roms = random.Chance(95) ? random.Between(1, 12) : random.Between(13, 42);
        if (neoGeo)
            parent.roms = neoGeoBios;
        for (int r = 0; r < roms; ++r)
            parent.roms.push_back(NewRom(random, parent.name, r + 1));
        if (sampleTotal < kSampleTarget && random.Chance(5)) {
            const int samples = random.Between(4, 24);
            for (int s = 0; s < samples; ++s) {
                parent.samples.push_back(std::string(Pick(random, kSyllables)) + "-" +
                                         std::to_string(s) + ".wav");
            }
        }
        write(parent);
        romTotal += static_cast<long>(parent.roms.size());
        sampleTotal += static_cast<long>(parent.samples.size());
        ++gameTotal;

        const int clones = cloneCount[static_cast<std::size_t>(p)];
        for (int c = 0; c < clones && gameTotal < kGames; ++c) {
            Game clone = parent;
            clone.name = parent.name.substr(0, 12) + static_cast<char>('a' + c % 26);
            if (!used.insert(clone.name).second) {
                clone.name = UniqueName(random, used, 3);
            }
            clone.description =
                title + " (" + Pick(random, kRegions) + ", set " + std::to_string(c + 2) + ")";
            clone.cloneOf = parent.name;
            if (!clone.samples.empty())
                clone.sampleOf = parent.name;
            for (std::size_t r = neoGeo ? 3 : 0; r < clone.roms.size(); ++r) {
                Rom& rom = clone.roms[r];
                if (random.Chance(30)) {
                    rom = NewRom(random, clone.name, static_cast<int>(r) + 1);
                } else if (random.Chance(6)) {
                    rom.name = clone.name.substr(0, 4) + "_" + rom.name;  // same data, new name
                }
            }
            write(clone);
            romTotal += static_cast<long>(clone.roms.size());
            sampleTotal += static_cast<long>(clone.samples.size());
            ++gameTotal;
        }
    }
    if (xml)
        std::fputs("</mame>\n", out);
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %d games, %ld roms, %ld samples\n", argv[1], gameTotal, romTotal, sampleTotal);
    return 0;
}
