#include "db/mdb/stored_query.h"

#include <algorithm>
#include <vector>

namespace kvpw::db::mdb {
namespace {

// What each row of a query's definition holds.
enum Attribute {
  kType = 1,  // Flag: the kind; Name1: the target table; Expression: the SQL of some kinds
  kParameter = 2,
  kFlags = 3,
  kRemoteDatabase = 4,
  kTable = 5,   // Name1 the table, Name2 its alias (a union's parts: Expression)
  kColumn = 6,  // Expression, Name1 its alias, Name2 the target column of appends and updates
  kJoin = 7,    // Name1 and Name2 the two sides, Expression the condition, Flag the kind
  kWhere = 8,
  kGroupBy = 9,
  kHaving = 10,
  kOrderBy = 11,  // Name1 "D" for descending
};

// Bits of the flags row.
constexpr int kSelectStar = 1;
constexpr int kDistinct = 2;
constexpr int kDistinctRow = 8;
constexpr int kTop = 16;
constexpr int kPercent = 32;
// Of a union's flags row: every row of both parts, not only distinct ones.
constexpr int kUnionAll = 1;

// Crosstab columns and groups: the pivot, and the row headings (others are the value).
constexpr int kPivot = 1;
constexpr int kRowHeading = 2;

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Name(std::string_view name) {
  const bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
                     std::all_of(name.begin(), name.end(), [](char c) {
                       return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                     });
  return plain ? std::string(name) : "[" + std::string(name) + "]";
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? std::string(separator) : "") + parts[i];
  return out;
}

// DAO's type numbers, as a PARAMETERS declaration names them.
std::string_view ParameterType(int flag) {
  switch (flag) {
    case 1:
      return "Bit";
    case 2:
      return "Byte";
    case 3:
      return "Short";
    case 4:
      return "Long";
    case 5:
      return "Currency";
    case 6:
      return "IEEESingle";
    case 7:
      return "IEEEDouble";
    case 8:
      return "DateTime";
    case 9:
      return "Binary";
    case 11:
      return "LongBinary";
    case 12:
      return "Memo";
    case 15:
      return "Guid";
    default:
      return "Text";
  }
}

class Decoder {
 public:
  explicit Decoder(std::span<const QueryRow> rows) : rows_(rows) {}

  StoredQuery Run() {
    StoredQuery q;
    const QueryRow* type = First(kType);
    const int kind = type && type->flag ? *type->flag : 0;
    q.kind = kind >= 1 && kind <= 9 ? static_cast<QueryKind>(kind - 1) : QueryKind::kUnknown;
    const std::string target = type ? type->name1 : "";
    const int flags = First(kFlags) && First(kFlags)->flag ? *First(kFlags)->flag : 0;
    switch (q.kind) {
      case QueryKind::kSelect:
        q.sql = Parameters() + Select(flags, "") + From() + Conditions() + ";";
        break;
      case QueryKind::kMakeTable:
        q.sql =
            Parameters() + Select(flags, "\nINTO " + Name(target)) + From() + Conditions() + ";";
        break;
      case QueryKind::kAppend: {
        std::vector<std::string> targets;
        for (const QueryRow* c : All(kColumn)) targets.push_back(c->name2);
        q.sql = Parameters() + "INSERT INTO " + Name(target) + " (" + Join(targets, ", ") + ")\n" +
                Select(flags, "") + From() + Conditions() + ";";
        break;
      }
      case QueryKind::kUpdate: {
        std::vector<std::string> sets;
        for (const QueryRow* c : All(kColumn)) sets.push_back(c->name2 + " = " + c->expression);
        q.sql = Parameters() + "UPDATE " + FromItems() + "\nSET " + Join(sets, ", ") +
                Clause("\nWHERE ", kWhere, " AND ") + ";";
        break;
      }
      case QueryKind::kDelete:
        q.sql = Parameters() + "DELETE " + Columns(flags, -1) + From() +
                Clause("\nWHERE ", kWhere, " AND ") + ";";
        break;
      case QueryKind::kCrosstab:
        q.sql = Crosstab(flags);
        break;
      case QueryKind::kDataDefinition:
      case QueryKind::kPassThrough:
        q.sql = type ? type->expression : "";
        break;
      case QueryKind::kUnion:
        q.sql = Union(flags);
        break;
      case QueryKind::kUnknown:
        break;
    }
    q.refusal = Refusal(q.kind);
    return q;
  }

 private:
  const QueryRow* First(int attribute) const {
    for (const QueryRow& row : rows_)
      if (row.attribute == attribute) return &row;
    return nullptr;
  }

  std::vector<const QueryRow*> All(int attribute) const {
    std::vector<const QueryRow*> out;
    for (const QueryRow& row : rows_)
      if (row.attribute == attribute) out.push_back(&row);
    return out;
  }

  std::string Parameters() const {
    std::vector<std::string> declared;
    for (const QueryRow* p : All(kParameter))
      declared.push_back(Name(p->name1) + " " + std::string(ParameterType(p->flag.value_or(10))));
    return declared.empty() ? "" : "PARAMETERS " + Join(declared, ", ") + ";\n";
  }

  // heading: -1 every column, else only crosstab columns with that flag.
  std::string Columns(int flags, int heading) const {
    std::vector<std::string> columns;
    if (flags & kSelectStar) columns.push_back("*");
    for (const QueryRow* c : All(kColumn)) {
      if (heading >= 0 && c->flag.value_or(0) != heading) continue;
      columns.push_back(c->expression + (c->name1.empty() ? "" : " AS " + Name(c->name1)));
    }
    return Join(columns, ", ");
  }

  std::string Select(int flags, const std::string& into, int heading = -1) const {
    std::string select = "SELECT ";
    if (flags & kDistinct)
      select += "DISTINCT ";
    else if (flags & kDistinctRow)
      select += "DISTINCTROW ";
    if (flags & kTop) {
      const QueryRow* f = First(kFlags);
      select += "TOP " + (f ? f->name1 : std::string()) + (flags & kPercent ? " PERCENT " : " ");
    }
    return select + Columns(flags, heading) + into;
  }

  // The tables, each join nesting the groups its two sides belong to.
  std::string FromItems() {
    struct Item {
      std::vector<std::string> names;
      std::string text;
      bool joined = false;
    };
    std::vector<Item> items;
    for (const QueryRow* t : All(kTable)) {
      if (!t->expression.empty()) remote_ = true;
      Item item;
      item.names.push_back(t->name2.empty() ? t->name1 : t->name2);
      item.text = Name(t->name1) + (t->name2.empty() ? "" : " AS " + Name(t->name2));
      items.push_back(std::move(item));
    }
    // Rows joining the same two sides are one join with all their conditions.
    struct JoinOf {
      std::string left, right;
      int kind;
      std::vector<std::string> conditions;
    };
    std::vector<JoinOf> joins;
    for (const QueryRow* j : All(kJoin)) {
      auto same = std::find_if(joins.begin(), joins.end(), [&](const JoinOf& o) {
        return EqualNoCase(o.left, j->name1) && EqualNoCase(o.right, j->name2);
      });
      if (same == joins.end())
        joins.push_back({j->name1, j->name2, j->flag.value_or(0), {j->expression}});
      else
        same->conditions.push_back(j->expression);
    }
    auto holding = [&](const std::string& name) {
      return std::find_if(items.begin(), items.end(), [&](const Item& item) {
        return std::any_of(item.names.begin(), item.names.end(),
                           [&](const std::string& n) { return EqualNoCase(n, name); });
      });
    };
    for (const JoinOf& j : joins) {
      static constexpr std::string_view kKinds[] = {"", "INNER", "LEFT", "RIGHT"};
      auto left = holding(j.left), right = holding(j.right);
      if (j.kind < 1 || j.kind > 3 || left == items.end() || right == items.end() ||
          left == right) {
        bad_join_ = true;
        continue;
      }
      std::string on =
          j.conditions.size() == 1 ? j.conditions[0] : "(" + Join(j.conditions, ") AND (") + ")";
      auto wrap = [](const Item& item) { return item.joined ? "(" + item.text + ")" : item.text; };
      Item combined;
      combined.text =
          wrap(*left) + " " + std::string(kKinds[j.kind]) + " JOIN " + wrap(*right) + " ON " + on;
      combined.joined = true;
      combined.names = left->names;
      combined.names.insert(combined.names.end(), right->names.begin(), right->names.end());
      const auto first = std::min(left, right), second = std::max(left, right);
      *first = std::move(combined);
      items.erase(second);
    }
    std::vector<std::string> texts;
    for (const Item& item : items) texts.push_back(item.text);
    return Join(texts, ", ");
  }

  std::string From() {
    const std::string items = FromItems();
    return items.empty() ? "" : "\nFROM " + items;
  }

  // heading: -1 every group, else crosstab groups with flags other than the pivot's.
  std::string Clause(std::string_view keyword, int attribute, std::string_view separator,
                     bool without_pivot = false) const {
    std::vector<std::string> parts;
    for (const QueryRow* r : All(attribute)) {
      if (without_pivot && r->flag.value_or(0) == kPivot) continue;
      parts.push_back(r->expression +
                      (attribute == kOrderBy && EqualNoCase(r->name1, "D") ? " DESC" : ""));
    }
    return parts.empty() ? "" : std::string(keyword) + Join(parts, separator);
  }

  std::string Conditions(bool without_pivot = false) const {
    return Clause("\nWHERE ", kWhere, " AND ") +
           Clause("\nGROUP BY ", kGroupBy, ", ", without_pivot) +
           Clause("\nHAVING ", kHaving, " AND ") + Clause("\nORDER BY ", kOrderBy, ", ");
  }

  std::string Crosstab(int flags) {
    std::vector<std::string> values, pivots;
    for (const QueryRow* c : All(kColumn)) {
      const int f = c->flag.value_or(0);
      if (f != kPivot && f != kRowHeading)
        values.push_back(c->expression + (c->name1.empty() ? "" : " AS " + Name(c->name1)));
    }
    for (const QueryRow* g : All(kGroupBy))
      if (g->flag.value_or(0) == kPivot) pivots.push_back(g->expression);
    return Parameters() + "TRANSFORM " + Join(values, ", ") + "\n" +
           Select(flags, "", kRowHeading) + From() + Conditions(true) + "\nPIVOT " +
           Join(pivots, ", ") + ";";
  }

  std::string Union(int flags) const {
    std::vector<const QueryRow*> parts = All(kTable);
    std::stable_sort(parts.begin(), parts.end(),
                     [](const QueryRow* a, const QueryRow* b) { return a->name2 < b->name2; });
    std::vector<std::string> texts;
    for (const QueryRow* p : parts) {
      std::string text = p->expression;
      while (!text.empty() &&
             (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == ';'))
        text.pop_back();
      texts.push_back(text);
    }
    return Parameters() + Join(texts, (flags & kUnionAll) ? "\nUNION ALL " : "\nUNION ") +
           Clause("\nORDER BY ", kOrderBy, ", ") + ";";
  }

  std::string Refusal(QueryKind kind) const {
    switch (kind) {
      case QueryKind::kSelect:
      case QueryKind::kUnion:
        break;
      case QueryKind::kMakeTable:
      case QueryKind::kAppend:
      case QueryKind::kUpdate:
      case QueryKind::kDelete:
        return "it is an action query, which changes data; catalogues are only read.";
      case QueryKind::kCrosstab:
        return "crosstab queries (TRANSFORM ... PIVOT) are not supported.";
      case QueryKind::kDataDefinition:
        return "it is a data-definition query, which changes the database's design.";
      case QueryKind::kPassThrough:
        return "it is a pass-through query, run by another database server.";
      case QueryKind::kUnknown:
        return "its definition is not one of the kinds of query known here.";
    }
    if (First(kParameter)) {
      std::vector<std::string> names;
      for (const QueryRow* p : All(kParameter)) names.push_back(Name(p->name1));
      return "it asks for parameters (" + Join(names, ", ") + "), which no caller can supply.";
    }
    if (remote_ || First(kRemoteDatabase)) return "it reads tables of another database file.";
    if (bad_join_) return "its joins do not connect the tables it lists.";
    return "";
  }

  std::span<const QueryRow> rows_;
  bool remote_ = false;
  bool bad_join_ = false;
};

}  // namespace

StoredQuery DecodeQuery(std::span<const QueryRow> rows) {
  return Decoder(rows).Run();
}

std::string_view KindName(QueryKind kind) {
  static constexpr std::string_view kNames[] = {
      "select",   "make-table",      "append",       "update", "delete",
      "crosstab", "data-definition", "pass-through", "union",  "unknown"};
  return kNames[static_cast<int>(kind)];
}

}  // namespace kvpw::db::mdb
