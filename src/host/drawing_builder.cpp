#include "host/drawing_builder.h"

namespace kvpw::host {

DrawingBuilder::DrawingBuilder(TextView document_name)
    : document_(MemoryDocument::Create(document_name)) {}

DrawingBuilder& DrawingBuilder::page(TextView name) {
  page_ = &document_->add_page(name);
  group_ = nullptr;
  target_ = nullptr;
  last_prop_.clear();
  return *this;
}

DrawingBuilder& DrawingBuilder::master(TextView name) {
  group_ = nullptr;
  target_ = &document_->add_master(name);
  last_prop_.clear();
  return *this;
}

DrawingBuilder& DrawingBuilder::shape(TextView name, TextView master) {
  group_ = nullptr;
  target_ = &current_page().add_shape(name, MasterNamed(master));
  last_prop_.clear();
  return *this;
}

DrawingBuilder& DrawingBuilder::group(TextView name, TextView master) {
  shape(name, master);
  group_ = target_;
  return *this;
}

DrawingBuilder& DrawingBuilder::member(TextView name, TextView master) {
  if (!group_) Raise(err::kInvalidArgument, u"member() needs a group() before it.");
  target_ = &group_->add_member(name, MasterNamed(master));
  last_prop_.clear();
  return *this;
}

DrawingBuilder& DrawingBuilder::document_sheet() {
  group_ = nullptr;
  target_ = &document_->sheet();
  last_prop_.clear();
  return *this;
}

DrawingBuilder& DrawingBuilder::prop(TextView row, const Variant& value) {
  target().set_prop(row, value);
  last_prop_ = Text(row);
  return *this;
}

DrawingBuilder& DrawingBuilder::user(TextView row, const Variant& value) {
  target().set_user(row, value);
  return *this;
}

DrawingBuilder& DrawingBuilder::hidden(bool on) {
  if (last_prop_.empty()) Raise(err::kInvalidArgument, u"hidden() needs a prop() before it.");
  target().set_hidden(last_prop_, on);
  return *this;
}

DrawingBuilder& DrawingBuilder::cell(TextView name, double value) {
  target().set_cell(kSectionObject, name, value);
  return *this;
}

DrawingBuilder& DrawingBuilder::page_size(double width, double height) {
  MemoryShape& sheet = current_page().sheet();
  sheet.set_cell(kSectionObject, u"PageWidth", width);
  sheet.set_cell(kSectionObject, u"PageHeight", height);
  return *this;
}

DrawingBuilder& DrawingBuilder::formula(const CellName& cell, TextView formula) {
  target().cell(cell).set_formula(formula);
  return *this;
}

MemoryShape& DrawingBuilder::target() const {
  if (!target_) Raise(err::kInvalidArgument, u"No shape, master or sheet to write to.");
  return *target_;
}

MemoryPage& DrawingBuilder::current_page() {
  if (!page_) page_ = &document_->add_page(u"Page-1");
  return *page_;
}

const MemoryShape* DrawingBuilder::MasterNamed(TextView name) const {
  if (name.empty()) return nullptr;
  const MemoryShape* master = document_->find_master(name);
  if (!master) Raise(err::kInvalidArgument, u"No master named " + Text(name) + u".");
  return master;
}

}  // namespace kvpw::host
