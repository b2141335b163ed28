// The contents window over a generated pack of 200,000 entries: opening the
// pack in the table model and in the window, sorting by each column (the
// first sort of a column computes its order), filtering, and replacing a
// picture entry by a 10 MiB file until its preview is shown beside the old
// one (goal: under 100 ms). Prints every run's figures and the medians, in
// milliseconds.
//
//   contents_bench [RUNS] [ENTRIES]     (default 7 runs, 200000 entries)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "GeneratedPack.h"
#include "app/browse/Contents.h"
#include "app/Dialogs.h"
#include "app/browse/PackModel.h"
#include "app/browse/PreviewPane.h"

namespace {

using Clock = QElapsedTimer;

double Ms(const Clock& c) { return double(c.nsecsElapsed()) / 1e6; }

template <class F> double Time(F&& f) {
    Clock c;
    c.start();
    f();
    return Ms(c);
}

// An uncompressed true-colour Targa of about 10 MiB.
QByteArray BigTarga() {
    const int side = 1870;
    QByteArray t(18, '\0');
    t[2] = 2;
    t[12] = char(side & 0xFF), t[13] = char(side >> 8), t[14] = char(side & 0xFF), t[15] = char(side >> 8);
    t[16] = 24;
    QByteArray pixels(side * side * 3, '\0');
    for (qsizetype i = 0; i < pixels.size(); ++i) pixels[i] = char(i * 7 % 251);
    return t + pixels;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const size_t entries = argc > 2 ? size_t(std::max(1, std::atoi(argv[2]))) : 200000;

    QTemporaryDir dir;
    const pwtest::GeneratedPack pack = pwtest::WriteGeneratedPack(dir.path().toStdString(), "BIG", entries);
    pw::QtDialogs dialogs;

    const char* columns[] = {"index", "name", "type", "start", "size", "replaced", "path"};
    std::vector<std::string> names = {"open model", "open window"};
    for (const char* c : columns) names.push_back(std::string("sort ") + c);
    names.insert(names.end(),
                 {"re-sort size desc", "filter text", "filter pattern", "filter type", "replace 10 MiB + preview"});
    const QString big = dir.filePath("big.tga");
    {
        QFile f(big);
        if (!f.open(QIODevice::WriteOnly) || f.write(BigTarga()) < 0) return 1;
    }
    std::map<std::string, std::vector<double>> times;

    std::printf("%zu entries, %d runs (ms)\n", entries, runs);
    for (int run = 0; run < runs; ++run) {
        std::unique_ptr<pw::TPackModel> model;
        times["open model"].push_back(Time([&] { model = pw::TPackModel::Open(pack.indexPath); }));
        times["open window"].push_back(Time([&] {
            auto* form = new pw::TContentsForm(pack.indexPath, dialogs);
            form->show();
            QCoreApplication::processEvents();
            delete form;
        }));
        for (int c = 0; c < int(std::size(columns)); ++c)
            times[std::string("sort ") + columns[c]].push_back(Time([&] { model->sort(c, Qt::AscendingOrder); }));
        times["re-sort size desc"].push_back(
            Time([&] { model->sort(pw::TPackModel::ColSize, Qt::DescendingOrder); }));
        times["filter text"].push_back(Time([&] { model->SetFilter("e00012"); }));
        times["filter pattern"].push_back(Time([&] { model->SetFilter("*5.t?a"); }));
        times["filter type"].push_back(Time([&] {
            model->SetFilter("");
            model->SetType("TGA", false);
        }));
        {
            pw::TContentsForm form(pack.indexPath, dialogs);
            form.show();
            size_t k = 0;
            while (k < form.Model()->SourceCount() && form.Model()->TypeName(k) != "TGA") ++k;
            form.Table->selectRow(form.Model()->RowOfSource(k));
            while (form.Preview->Busy()) QCoreApplication::processEvents();
            times["replace 10 MiB + preview"].push_back(Time([&] {
                form.ReplaceEntry(k, big);
                while (form.NewPreview->Busy() || form.Preview->Busy()) QCoreApplication::processEvents();
            }));
            form.UndoAllClick();
        }
        std::printf("run %d:", run + 1);
        for (const std::string& n : names) std::printf(" %s %.1f;", n.c_str(), times[n].back());
        std::printf("\n");
    }
    std::printf("medians:\n");
    for (const std::string& n : names) {
        std::vector<double> t = times[n];
        std::sort(t.begin(), t.end());
        std::printf("  %-18s %8.1f ms\n", n.c_str(), t[t.size() / 2]);
    }
    return 0;
}
