// Line differences through dtl (Debian's libdtl-dev, header only): its
// shortest edit script, regrouped into the blocks a diff tool shows.
#include "app/browse/TextDiff.h"

#include <algorithm>
#include <dtl/dtl.hpp>

namespace pw {

std::vector<QString> SplitTextLines(const QString& text) {
    std::vector<QString> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0) end = text.size();
        qsizetype cut = end;
        if (cut > start && text[cut - 1] == u'\r') --cut;
        lines.push_back(text.mid(start, cut - start));
        start = end + 1;
    }
    return lines;
}

TextDiff CompareTexts(const QString& oldText, const QString& newText) {
    TextDiff out;
    const std::vector<QString> a = SplitTextLines(oldText), b = SplitTextLines(newText);
    if (a.size() + b.size() > DiffLineLimit) return out;
    out.compared = true;
    dtl::Diff<QString, std::vector<QString>> diff(a, b);
    diff.onHuge();
    diff.compose();
    const auto script = diff.getSes().getSequence();

    // A block of edits between common lines: its removed lines, then its
    // added ones, the first of each paired as changed.
    std::vector<DiffLine> removed, added;
    const auto flush = [&] {
        if (removed.empty() && added.empty()) return;
        if (out.firstChange < 0) out.firstChange = int(out.lines.size());
        const size_t pairs = std::min(removed.size(), added.size());
        for (size_t i = 0; i < pairs; ++i) {
            removed[i].mark = DiffMark::ChangedOld;
            added[i].mark = DiffMark::ChangedNew;
        }
        out.changed += int(pairs);
        out.removed += int(removed.size() - pairs);
        out.added += int(added.size() - pairs);
        out.lines.insert(out.lines.end(), removed.begin(), removed.end());
        out.lines.insert(out.lines.end(), added.begin(), added.end());
        removed.clear();
        added.clear();
    };
    for (const auto& [text, info] : script) {
        DiffLine line;
        line.text = text;
        switch (info.type) {
        case dtl::SES_DELETE:
            line.mark = DiffMark::Removed;
            line.oldLine = int(info.beforeIdx);
            removed.push_back(line);
            break;
        case dtl::SES_ADD:
            line.mark = DiffMark::Added;
            line.newLine = int(info.afterIdx);
            added.push_back(line);
            break;
        default:
            flush();
            line.oldLine = int(info.beforeIdx);
            line.newLine = int(info.afterIdx);
            out.lines.push_back(line);
            break;
        }
    }
    flush();
    return out;
}

} // namespace pw
