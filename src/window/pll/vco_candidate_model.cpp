#include "window/pll/vco_candidate_model.h"

#include "engine/number_text.h"

namespace orvane {

VcoCandidateModel::VcoCandidateModel(const CandidateTable& candidates, QObject* parent)
    : QAbstractListModel(parent), candidates_(candidates) {}

void VcoCandidateModel::Refill() {
  beginResetModel();
  rows_ = static_cast<int>(candidates_.CandidateCount());
  endResetModel();
}

int VcoCandidateModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant VcoCandidateModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || role != Qt::DisplayRole) return {};
  const double vco = 2 * candidates_.HalfVcoTable[static_cast<std::size_t>(index.row())];
  return QStringLiteral("[%1] %2").arg(index.row()).arg(QString::fromStdString(FormatGeneral(vco)));
}

}  // namespace orvane
