// The pack table over a generated pack of 100,000 entries: rows, cells,
// sorting, filtering, the type chooser, damaged entries and refused packs.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>

#include "GeneratedPack.h"
#include "app/browse/PackModel.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/Formathandlers.h"

namespace {

using pw::TPackModel;
using namespace pwtest;

class PackModelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        pack = WriteGeneratedPack(dir->path().toStdString(), "BIG", 100000);
    }
    static void TearDownTestSuite() { delete dir; }
    void SetUp() override { model = TPackModel::Open(pack.indexPath); }

    QString Cell(int row, int column) const {
        return model->data(model->index(row, column), Qt::DisplayRole).toString();
    }
    int Int(int row, int column) const { return model->data(model->index(row, column), Qt::DisplayRole).toInt(); }

    static QTemporaryDir* dir;
    static GeneratedPack pack;
    std::unique_ptr<TPackModel> model;
};
QTemporaryDir* PackModelTest::dir = nullptr;
GeneratedPack PackModelTest::pack;

TEST_F(PackModelTest, RowsAndCellsComeFromTheIndex) {
    ASSERT_EQ(model->rowCount(), 100000);
    EXPECT_EQ(model->columnCount(), 7);
    for (int k : {0, 1, 26, 4999, 99999}) {
        EXPECT_EQ(Cell(k, TPackModel::ColIndex).left(8), QString::fromStdString(pw::Hex8(uint32_t(k))));
        EXPECT_EQ(Cell(k, TPackModel::ColName).toStdString(), GeneratedName(size_t(k)));
        EXPECT_EQ(Int(k, TPackModel::ColStart), GeneratedStart(size_t(k), 1000));
        EXPECT_EQ(Int(k, TPackModel::ColSize), GeneratedSize(size_t(k)));
        EXPECT_EQ(Cell(k, TPackModel::ColPath).toStdString(),
                  pw::RelativeEntryName("BIG", GeneratedName(size_t(k)), uint32_t(k)));
    }
    EXPECT_EQ(Cell(26, TPackModel::ColIndex), "0000001A");
    EXPECT_EQ(Cell(3, TPackModel::ColType), "INI");  // ".Ini" upper-cased
    EXPECT_EQ(Cell(4, TPackModel::ColType), "");     // no extension
    int64_t total = 0;
    for (size_t k = 0; k < 100000; ++k) total += GeneratedSize(k);
    EXPECT_EQ(model->TotalBytes(), total);
}

TEST_F(PackModelTest, EntriesOutsideTheDataFileAreMarked) {
    EXPECT_TRUE(model->data(model->index(999, 0), TPackModel::DamagedRole).toBool());
    EXPECT_EQ(Cell(999, TPackModel::ColIndex), "000003E7 !");
    EXPECT_FALSE(model->data(model->index(998, 0), TPackModel::DamagedRole).toBool());
    EXPECT_FALSE(model->Inside(999));
    EXPECT_TRUE(model->Inside(0)); // empty entries are never outside
    EXPECT_FALSE(model->data(model->index(999, 0), Qt::ToolTipRole).toString().isEmpty());
}

TEST_F(PackModelTest, SortsByEveryColumnBothWays) {
    model->sort(TPackModel::ColSize, Qt::AscendingOrder);
    for (int r = 1; r < model->rowCount(); r += 97) EXPECT_LE(Int(r - 1, TPackModel::ColSize), Int(r, TPackModel::ColSize));
    EXPECT_EQ(Int(0, TPackModel::ColSize), 0);
    model->sort(TPackModel::ColSize, Qt::DescendingOrder);
    EXPECT_EQ(Int(0, TPackModel::ColSize), 2000);
    model->sort(TPackModel::ColName, Qt::DescendingOrder);
    EXPECT_EQ(Cell(0, TPackModel::ColName).toStdString(), GeneratedName(99999));
    model->sort(TPackModel::ColType, Qt::AscendingOrder);
    EXPECT_EQ(Cell(0, TPackModel::ColType), "");
    EXPECT_EQ(Cell(99999, TPackModel::ColType), "TXT");
    model->sort(TPackModel::ColPath, Qt::AscendingOrder);
    for (int r = 1; r < model->rowCount(); r += 89)
        EXPECT_LE(Cell(r - 1, TPackModel::ColPath), Cell(r, TPackModel::ColPath));
    model->sort(TPackModel::ColStart, Qt::AscendingOrder);
    EXPECT_EQ(Int(99999, TPackModel::ColStart), 1 << 20);
    model->sort(-1);
    EXPECT_EQ(Cell(5, TPackModel::ColName).toStdString(), GeneratedName(5));
}

TEST_F(PackModelTest, FiltersByTextPatternAndType) {
    model->SetFilter("E00012"); // a substring in any letter case: e000120 to e000129
    EXPECT_EQ(model->rowCount(), 10);
    model->SetFilter("e0000?5.t*"); // a whole-name pattern: e000005.tga to e000095.tga
    ASSERT_EQ(model->rowCount(), 10);
    for (int r = 0; r < model->rowCount(); ++r) {
        const std::string n = Cell(r, TPackModel::ColName).toStdString();
        EXPECT_TRUE(n.rfind("e0000", 0) == 0 && n.substr(6) == "5.tga") << n;
    }
    model->SetFilter("e0000?5"); // a pattern covers the whole name
    EXPECT_EQ(model->rowCount(), 0);
    model->SetFilter("*.TGA");
    EXPECT_EQ(model->rowCount(), 20000);
    model->SetFilter("txt"); // the type matches as well as the name
    EXPECT_EQ(model->rowCount(), 20000);
    model->SetFilter("");
    EXPECT_EQ(model->rowCount(), 100000);

    const auto types = model->TypeCounts();
    ASSERT_EQ(types.size(), 5u);
    EXPECT_EQ(types[0].first, "");
    for (const auto& [type, count] : types) EXPECT_EQ(count, 20000u) << type.toStdString();
    model->SetType("INI", false);
    EXPECT_EQ(model->rowCount(), 20000);
    model->SetFilter("e00000");
    EXPECT_EQ(model->rowCount(), 2); // e000003.Ini, e000008.Ini
    model->sort(TPackModel::ColIndex, Qt::DescendingOrder);
    EXPECT_EQ(model->SourceRow(0), 8u);
    EXPECT_EQ(model->RowOfSource(3), 1);
    EXPECT_EQ(model->RowOfSource(4), -1);
    model->SetType("NOPE", false);
    EXPECT_EQ(model->rowCount(), 0);
    model->SetType("", true);
    EXPECT_EQ(model->rowCount(), 10); // e000000 to e000009, the filter kept
    EXPECT_EQ(model->SourceRow(0), 9u); // and the sort
}

TEST(PackModelOpen, RefusedPacksGiveTheEnginesMessages) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/P";
    {
        std::ofstream(base + ".fat", std::ios::binary) << std::string("\x05\0\0\0\0\0\0\0", 8) << "short";
        std::ofstream(base + ".mix", std::ios::binary) << "x";
    }
    try {
        TPackModel::Open(base + ".fat");
        ADD_FAILURE();
    } catch (const pw::Error& e) {
        EXPECT_EQ(std::string(e.what()), "Damaged pack index " + base + ".fat");
    }
    std::ofstream(base + "2.fat", std::ios::binary) << std::string(8, '\0');
    try {
        TPackModel::Open(base + "2.fat");
        ADD_FAILURE();
    } catch (const pw::Error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + base + "2.mix");
    }
}

} // namespace
