#include "harness/Samples.h"

#include "harness/PackModel.h"

namespace pwfuzz {

std::vector<std::string> PackSeeds() {
    std::vector<std::string> seeds;
    const uint8_t flags[] = {0, 1 | 4, 2 | 8, 3 | 4 | 8};
    const std::vector<SamplePack> packs = SamplePacks();
    for (size_t i = 0; i < packs.size(); ++i) seeds.push_back(PackInput(flags[i % 4], packs[i]));
    // Typical damage: records missing, an entry past the data file's end,
    // a negative count, a huge count.
    SamplePack p = packs[2];
    seeds.push_back(PackInput(0, {p.fat.substr(0, p.fat.size() - 3), p.mix}));
    seeds.push_back(PackInput(1, {p.fat, p.mix.substr(0, 2048 + 3)}));
    SamplePack neg = p;
    neg.fat[0] = neg.fat[1] = neg.fat[2] = neg.fat[3] = char(0xFF);
    seeds.push_back(PackInput(0, neg));
    SamplePack huge = p;
    huge.fat[3] = char(0x7F);
    seeds.push_back(PackInput(0, huge));
    return seeds;
}

std::vector<std::string> LogSeeds() {
    const std::string menu = "#Format: FAT\r\n#Source: ../fx/src/MENU.fat\r\n";
    const std::string lines = "../fx/files/e0\r\nNULL\r\n../fx/files/e2\r\nmissing\r\n../fx/files/e1\r\n";
    return {
        menu + lines,
        "#Format: FAT\r\n#Source: ../fx/src/EMPTY.fat\r\n#Format: FAT\r\n#Source: ../fx/src/OUT.fat\r\n"
        "../fx/files/e2\r\nNULL\r\n",
        "#Format: FAT\n#Source: ../fx/src/MENU.fat\n../fx/files/e2\n../fx/files/dir\nNULL\nNULL\nNULL\n",
        "#Format: FAT\r#Source: ../fx/src/MENU.fat\rNULL\rNULL\r",          // ends before its last entries
        menu + lines + menu + "NULL\r\nNULL\r\n../fx/src/MENU.mix\r\nNULL\r\nNULL\r\n",
        "#Format:FAT\r\n#Source: ../fx/src/MENU.fat\r\n" + lines,             // no separator: not a header
        "  #Format:  FAT  \r\n\t#Source: ../fx/src/MENU.fat\r\n" + lines,
        "#Format: \r\n#Source: ../fx/src/MENU.fat\r\n#Target x\r\n",
        "#Format: FAT\r\n#Source: ../fx/src/BAD.fat\r\nNULL\r\nNULL\r\n",
        "#Format: FAT\r\n#Source: ../fx/src/NOPE.fat\r\nNULL\r\n#Format: FAT\r\n#Source: ../fx/src/EMPTY.fat\r\n",
        "#Format: FAT\r\n#Source: ../fx/src/MENU.mix\r\n",
        "#Format: FAT\r\n#Source: ../fx/src/MENU.fat\r\n../fx/files/e0\0tail\r\n",
        std::string(),
    };
}

std::vector<std::string> ListSeeds() {
    return {
        "../fx/logs/a.log\r\n../fx/logs/b.log\r\n",
        "../fx/logs/a.log",
        "a\r\n\r\nb",
        "../fx/logs/a.log\r\rmissing.log\n../fx/src/MENU.fat\r\n",
        "../fx/logs/b.log\r\n\0../fx/logs/a.log\r\n",
        "../fx/files/dir\r\n",
    };
}

std::vector<std::string> IniSeeds() {
    const std::string hello = "[0x00000000]\r\nHello\r\n[0x00000001]\r\nA\r\nB\r\n";
    const char lf = 2, single = 4, plain = 0, sizes = 8 | 32, noErrors = 1 | 2;
    return {
        lf + hello,
        plain + hello,
        char(single | sizes) + hello,
        char(lf) + std::string("[0x00000000]\r\nA\r\n[0x00000001]\r\nB\r\n[0x00000003]\r\nC\r\n"),
        char(noErrors) + std::string("[0x00000000]\r\nA\r\n[0x00000001]\r\nB\r\n[0x00000003]\r\nC\r\n"),
        char(lf) + std::string("junk before\r\n[0x00000000]\r\n\r\n[0x00000001]\r\nx [0x y\r\n"),
        char(lf | sizes) + std::string("[0x0000001a]\r\nlower\r\n[0x0000001B]\r\nupper\r\n"),
        char(lf) + std::string("[0x00000000]\r\ntext\0after zero\r\n", 32),
        char(noErrors) + std::string("[0xFFFFFFFF]\r\n[0x7FFFFFFF]\r\n[0x80000000]\r\n[0x"),
        char(lf) + std::string("[0x00000000]"),
        std::string(1, lf),
    };
}

std::vector<std::string> ZivoraSeeds() {
    const std::string sep = "_______________________________";
    const std::string two = sep + "\r\n#H#E#A#D#E#R#0#0#\r\nA\r\nB\r\n#E#N#D#\r\n" + sep +
                            "\r\n#H#E#A#D#E#R#0#1#\r\n\r\n#E#N#D#\r\n";
    return {
        char(0) + two,
        char(2) + two,
        char(4 | 8 | 32) + two,
        char(0) + sep + "\n#H#E#A#D#E#R#1#\nno end line\n",
        char(0) + two + "stray line\r\n",
        char(128) + sep + "\r#H#E#A#D#E#R#128#0#943#\r  padded \t\r#E#N#D#\r",
        char(0) + std::string("#E#N#D#\r\n#E#N#D#\r\n"),
        char(0) + sep,
        std::string(1, char(0)),
    };
}

std::vector<std::string> TargaSeeds() {
    std::vector<std::string> seeds;
    const int depths[] = {32, 24, 16, 15, 8, 0};
    for (size_t i = 0; i < sizeof depths / sizeof *depths; ++i) {
        const int w = 3 + int(i), h = 2;
        std::string header(18, '\0');
        header[2] = 2;
        header[12] = char(w);
        header[14] = char(h);
        header[16] = char(depths[i]);
        header[17] = 8;
        const int bpp = (depths[i] + 7) / 8;
        std::string file = header + Pattern(size_t(w * h * bpp), unsigned(i)) + std::string(8, '\0') +
                           "TRUEVISION-XFILE." + std::string(1, '\0');
        seeds.push_back(file);
    }
    seeds.push_back(seeds[0].substr(0, 10));     // shorter than its header
    seeds.push_back(seeds[0].substr(0, 18 + 7)); // rows missing
    std::string id = seeds[1];
    id[0] = 5; // an image ID length
    seeds.push_back(id);
    return seeds;
}

} // namespace pwfuzz
