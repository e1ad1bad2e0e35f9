#pragma once

#include <QAbstractListModel>

#include "freqplan/output_search.h"

namespace orvane {

// `Fvco_list`'s entries, "[j] <VCO frequency>", made on demand from the candidate table so that
// a list of hundreds of thousands of candidates costs nothing to fill.
class VcoCandidateModel : public QAbstractListModel {
 public:
  explicit VcoCandidateModel(const CandidateTable& candidates, QObject* parent = nullptr);

  // The table was refilled: the list shows its new entries.
  void Refill();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const CandidateTable& candidates_;
  int rows_ = 0;
};

}  // namespace orvane
