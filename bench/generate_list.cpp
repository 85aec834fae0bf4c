// Writes a -listinfo text of a complete current collection's shape: 45,000 games (26,000 of
// them clones), about 340,000 ROMs, 27,000 samples, ROMs shared between parents and clones
// (sometimes under other names), and a family of NeoGeo games. The same seed always gives
// the same file.
//
// usage: generate_list OUTPUT [SEED]

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT [SEED]\n", argv[0]);
        return 2;
    }
    Random random(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 20240601u);
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
    const std::vector<Rom> neoGeoBios = {{"neo-geo.rom", 131072, 0x9036D879u, true, "mainbios"},
                                         {"ng-sfix.rom", 131072, 0x354029FCu, true, "fixedbios"},
                                         {"ng-sm1.rom", 131072, 0x97CF998Bu, true, "audiobios"}};
    {
        Game bios{"neogeo", "Neo-Geo BIOS", "", "", "1990", "Kairos", neoGeoBios, {}};
        used.insert("neogeo");
        WriteGame(out, random, bios);
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
        WriteGame(out, random, parent);
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
            WriteGame(out, random, clone);
            romTotal += static_cast<long>(clone.roms.size());
            sampleTotal += static_cast<long>(clone.samples.size());
            ++gameTotal;
        }
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %d games, %ld roms, %ld samples\n", argv[1], gameTotal, romTotal, sampleTotal);
    return 0;
}
