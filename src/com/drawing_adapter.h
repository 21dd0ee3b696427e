// The drawing host port over the drawing application's document, reached by member name:
// document, document sheet, pages, shapes and cells, as the application's automation model
// names them.
#pragma once

#include <memory>
#include <unordered_map>

#include "com/automation.h"
#include "host/drawing.h"

namespace kvpw::com {

class DocumentOverAutomation;

// The parts of a document are handed out by reference; the document keeps one adapter per
// automation object it has met (by the object's identity), so references stay valid while it
// lives.
std::shared_ptr<host::Document> MakeDocumentAdapter(IDispatch* document);

}  // namespace kvpw::com
