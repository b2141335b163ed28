#pragma once
// The change plan of a log as a table: one row per entry of every pack the
// log rebuilds, with its state, old size, new size and the file its line
// names. Rows are located in the engine's plan; "changed only" narrows them
// to the entries a rebuild changes or refuses.
#include <memory>
#include <string>
#include <vector>

#include "app/browse/EntryModel.h"
#include "packs/PackIndex.h"
#include "packs/Plan.h"
#include "packs/RebuildRules.h"

namespace pw {

class TPlanModel : public TPackEntriesModel<PackPlan> {
    Q_OBJECT
public:
    enum Column { ColPack, ColIndex, ColName, ColState, ColOldSize, ColNewSize, ColFile };

    // The plan of `logPath` against `targetDir`; pw::Error with insertion's
    // message for what fails before any pack.
    TPlanModel(std::vector<PackPlan> plan, std::string targetDir, QObject* parent = nullptr);

    const std::vector<PackPlan>& Plan() const { return Packs(); }
    // The file of an entry's line as insertion opens it (relative lines in
    // the target folder).
    std::string FilePath(size_t source) const;

    void SetChangedOnly(bool changedOnly);
    bool ChangedOnly() const { return changedOnly_; }

protected:
    QVariant Cell(size_t source, int column, int role) const override;
    bool Less(int column, size_t a, size_t b) const override;
    bool Keep(size_t source) const override;

private:
    LogPaths paths_; // where the log's lines lead
    bool changedOnly_ = false;
};

} // namespace pw
