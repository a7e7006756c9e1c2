#pragma once
// The picture list's undoable edits. Each keeps what it needs to put the list back exactly.
#include <QString>
#include <QUndoCommand>
#include <utility>
#include <vector>

#include "ui/PictureModel.h"
#include "ui/Tr.h"

namespace pixmira {

// Removes entries; undo puts them back where they were, thumbnails and turns included.
class TRemoveCommand : public QUndoCommand {
 public:
  TRemoveCommand(TPictureModel* model, std::vector<int> rows, const QString& text)
      : QUndoCommand(text), model_(model), rows_(std::move(rows)) {}
  void redo() override {
    taken_ = model_->TakeRows(rows_);
    rows_.clear();
    for (const auto& [row, entry] : taken_) rows_.push_back(row);
  }
  void undo() override {
    model_->Restore(taken_);
    taken_.clear();
  }

 private:
  TPictureModel* model_;
  std::vector<int> rows_;
  std::vector<std::pair<int, TPictureEntry>> taken_;
};

// Turns entries by id, so a later move does not change which entries an undo turns back.
class TTurnCommand : public QUndoCommand {
 public:
  TTurnCommand(TPictureModel* model, const std::vector<int>& rows, bool counterClockwise)
      : QUndoCommand(counterClockwise ? Pixmira::tr("逆时针旋转图片")
                                      : Pixmira::tr("顺时针旋转图片")),
        model_(model) {
    for (int row : rows) {
      const TPictureEntry& entry = model->Entry(row);
      turns_.push_back({entry.id, entry.angle, NextAngle(entry.angle, counterClockwise)});
    }
  }
  void redo() override {
    for (const Turn& t : turns_) model_->SetAngle(model_->RowOfId(t.id), t.after);
  }
  void undo() override {
    for (const Turn& t : turns_) model_->SetAngle(model_->RowOfId(t.id), t.before);
  }

 private:
  struct Turn {
    int id, before, after;
  };
  TPictureModel* model_;
  std::vector<Turn> turns_;
};

class TMoveCommand : public QUndoCommand {
 public:
  TMoveCommand(TPictureModel* model, std::vector<int> rows, int destination)
      : QUndoCommand(Pixmira::tr("调整图片顺序")),
        model_(model),
        rows_(std::move(rows)),
        destination_(destination),
        before_(model->Order()) {}
  void redo() override {
    if (after_.empty()) {
      model_->MoveRows(rows_, destination_);
      after_ = model_->Order();
    } else {
      model_->SetOrder(after_);
    }
  }
  void undo() override { model_->SetOrder(before_); }

 private:
  TPictureModel* model_;
  std::vector<int> rows_;
  int destination_;
  std::vector<int> before_;
  std::vector<int> after_;
};

}  // namespace pixmira
