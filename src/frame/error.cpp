#include "frame/error.h"

namespace kvpw {
namespace {

Text StandardDescription(int32_t number) {
  switch (number) {
    case err::kInvalidArgument:
      return u"Invalid procedure call or argument";
    case err::kOverflow:
      return u"Overflow";
    case err::kSubscript:
      return u"Subscript out of range";
    case err::kTypeMismatch:
      return u"Type mismatch";
    case err::kObjectNotSet:
      return u"Object variable or With block variable not set";
    case err::kInvalidUseOfNull:
      return u"Invalid use of Null";
    case err::kCannotCreateObject:
      return u"ActiveX component can't create object";
    case err::kMemberNotSupported:
      return u"Object doesn't support this property or method";
    case err::kArgumentNotOptional:
      return u"Argument not optional";
    case err::kWrongArgumentCount:
      return u"Wrong number of arguments or invalid property assignment";
    case err::kDuplicateKey:
      return u"This key is already associated with an element of this collection";
    case err::kNoCurrentRecord:
      return u"Either BOF or EOF is True, or the current record has been deleted. Requested "
             u"operation requires a current record.";
    case err::kItemNotFound:
      return u"Item cannot be found in the collection corresponding to the requested name or "
             u"ordinal.";
    default:
      return u"Application-defined or object-defined error";
  }
}

}  // namespace

Error::Error(int32_t number, Text description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + ": " + ToUtf8(description_)) {}

Error::Error(int32_t number) : Error(number, StandardDescription(number)) {}

void Raise(int32_t number) {
  throw Error(number);
}
void Raise(int32_t number, Text description) {
  throw Error(number, std::move(description));
}

}  // namespace kvpw
