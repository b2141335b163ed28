#pragma once
// The difference of two texts line by line, as diff tools show it: lines
// both have, lines only the old one has (removed), lines only the new one
// has (added), and where a run of removed lines is followed by added ones,
// the pairs of them as changed lines. No widget here; it runs off the
// window's thread.
#include <QString>
#include <cstddef>
#include <vector>

namespace pw {

// Texts with more lines than this together are not compared (the work
// grows with lines times differences); the panes show them side by side.
inline constexpr size_t DiffLineLimit = 40000;

enum class DiffMark { Same, Removed, Added, ChangedOld, ChangedNew };

struct DiffLine {
    DiffMark mark = DiffMark::Same;
    int oldLine = 0; // from 1; 0 where the old text has no such line
    int newLine = 0; // the same for the new text
    QString text;
};

struct TextDiff {
    bool compared = false;  // false: over DiffLineLimit, no lines
    std::vector<DiffLine> lines;
    int firstChange = -1;   // index in `lines`, -1 when the texts are equal
    int changed = 0, added = 0, removed = 0; // changed counts pairs
};

// Lines end at line feeds; a carriage return before one belongs to the
// line break.
std::vector<QString> SplitTextLines(const QString& text);
TextDiff CompareTexts(const QString& oldText, const QString& newText);

} // namespace pw
