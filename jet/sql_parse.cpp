// Lexer and recursive-descent parser of the SQL statements and search conditions.
#include "jet/datetext.h"
#include "jet/sql_internal.h"

#include <cstdlib>
#include <iterator>
#include <optional>

namespace jet::sql {

Error detail::syntaxErrorAt(size_t position, const std::string& near, const std::string& hint) {
    std::string m = "语法错误：第 " + std::to_string(position) + " 个字符附近 '" + near + "'";
    if (!hint.empty())
        m += "（" + hint + "）";
    return makeError(ErrorKind::Syntax, m);
}

namespace {

enum class Tok : uint8_t { End, Name, Text, Number, Date, Symbol, Bad };

struct Token {
    Tok kind = Tok::End;
    std::u16string text; // Name: the name; Text: the value; Number: digits; Date: inside #s; Symbol
    bool bracketed = false;
    double number = 0; // Number, Date
    size_t begin = 0, end = 0;
};

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' || c == 0x3000 ||
           c == 0xA0 || c == 0xFEFF;
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool isNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'_' || c == u'$' ||
           (c >= 0x80 && !isSpace(c));
}

// Reserved words: never taken as a bare name.
const char16_t* const kReserved[] = {
    u"SELECT", u"FROM",    u"WHERE",  u"ORDER",    u"BY",  u"ASC",   u"DESC",   u"INSERT", u"INTO", u"VALUES",
    u"UPDATE", u"SET",     u"DELETE", u"AND",      u"OR",  u"NOT",   u"IS",     u"NULL",   u"LIKE", u"TRUE",
    u"FALSE",  u"BETWEEN", u"IN",     u"DISTINCT", u"TOP", u"GROUP", u"HAVING", u"JOIN",   u"AS",   u"UNION"};

bool isReserved(const std::u16string& s) {
    for (const char16_t* w : kReserved)
        if (sameName(s, w))
            return true;
    return false;
}

class Parser {
public:
    explicit Parser(std::u16string_view text) : src_(text) {}

    Result<Statement> statement();
    Result<Condition> conditionOnly();

private:
    // ---- errors ----
    size_t charPosition(size_t unit) const {
        size_t n = 1;
        for (size_t i = 0; i < unit && i < src_.size(); ++i)
            if (!(src_[i] >= 0xDC00 && src_[i] <= 0xDFFF))
                ++n;
        return n;
    }
    std::string near(size_t begin, size_t end) const {
        std::u16string s(src_.substr(begin, end - begin));
        if (s.size() > 24)
            s = s.substr(0, 24) + u"…";
        return toUtf8(s);
    }
    Error errorAt(size_t begin, size_t end, const std::string& hint) const {
        return detail::syntaxErrorAt(charPosition(begin), near(begin, end), hint);
    }
    Error error(const std::string& hint) const {
        const Token& t = peek();
        if (t.kind == Tok::Bad) // the text could not be cut into tokens here
            return lexError_;
        if (t.kind == Tok::End)
            return makeError(ErrorKind::Syntax,
                             "语法错误：语句意外结束" + (hint.empty() ? std::string() : "（" + hint + "）"));
        return errorAt(t.begin, t.end, hint);
    }

    // ---- tokens, cut on demand so that an error is reported where the parser meets it ----
    Status lexOne() const;
    const Token& peek(size_t ahead = 0) const {
        const size_t i = pos_ + ahead;
        while (toks_.size() <= i &&
               (toks_.empty() || (toks_.back().kind != Tok::End && toks_.back().kind != Tok::Bad))) {
            Status st = lexOne();
            if (!st.ok()) {
                lexError_ = st.error();
                Token bad;
                bad.kind = Tok::Bad;
                bad.begin = bad.end = lexPos_;
                toks_.push_back(std::move(bad));
            }
        }
        return i < toks_.size() ? toks_[i] : toks_.back();
    }
    void next() {
        peek(1);
        if (pos_ + 1 < toks_.size())
            ++pos_;
    }
    bool isKeyword(const char16_t* word, size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Name && !t.bracketed && sameName(t.text, word);
    }
    bool eatKeyword(const char16_t* word) {
        if (!isKeyword(word))
            return false;
        next();
        return true;
    }
    bool isSymbol(const char16_t* sym, size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Symbol && t.text == sym;
    }
    bool eatSymbol(const char16_t* sym) {
        if (!isSymbol(sym))
            return false;
        next();
        return true;
    }
    Status expectKeyword(const char16_t* word) {
        if (eatKeyword(word))
            return okStatus();
        return error("应为 " + toUtf8(word));
    }
    Status expectSymbol(const char16_t* sym) {
        if (eatSymbol(sym))
            return okStatus();
        return error("应为 " + toUtf8(sym));
    }

    // ---- grammar ----
    Result<std::u16string> name(const char* what);
    Result<ColumnRef> columnRef();
    bool aggregateAhead() const;
    Result<Aggregate> aggregate();
    Result<Literal> literal();
    Result<Operand> operand();
    Result<std::shared_ptr<const Expr>> orExpr();
    Result<std::shared_ptr<const Expr>> andExpr();
    Result<std::shared_ptr<const Expr>> notExpr();
    Result<std::shared_ptr<const Expr>> predicate();
    Status where(Statement& st);
    Status end();

    Result<Statement> select();
    Result<Statement> insert();
    Result<Statement> update();
    Result<Statement> remove();

    std::u16string_view src_;
    mutable std::vector<Token> toks_;
    mutable Error lexError_;
    mutable size_t lexPos_ = 0;
    size_t pos_ = 0;
    bool aggregatesAllowed_ = false; // in HAVING
};

Status Parser::lexOne() const {
    size_t& i = lexPos_;
    const size_t n = src_.size();
    {
        while (i < n && isSpace(src_[i]))
            ++i;
        Token t;
        t.begin = i;
        if (i >= n) {
            t.kind = Tok::End;
            t.end = i;
            toks_.push_back(std::move(t));
            return okStatus();
        }
        const char16_t c = src_[i];
        if (c == u'\'' || c == u'"') {
            t.kind = Tok::Text;
            size_t j = i + 1;
            bool closed = false;
            while (j < n) {
                if (src_[j] == c) {
                    if (j + 1 < n && src_[j + 1] == c) {
                        t.text += c;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                t.text += src_[j++];
            }
            if (!closed)
                return errorAt(i, n, "引号没有结束");
            i = j;
        } else if (c == u'[' || c == u'`') {
            const char16_t close = c == u'[' ? u']' : u'`';
            const size_t j = src_.find(close, i + 1);
            if (j == std::u16string_view::npos)
                return errorAt(i, n, c == u'[' ? "缺少 ]" : "缺少 `");
            t.kind = Tok::Name;
            t.bracketed = true;
            t.text = std::u16string(src_.substr(i + 1, j - i - 1));
            if (t.text.empty())
                return errorAt(i, j + 1, "名称不能为空");
            i = j + 1;
        } else if (c == u'#') {
            const size_t j = src_.find(u'#', i + 1);
            if (j == std::u16string_view::npos)
                return errorAt(i, n, "缺少 #");
            t.kind = Tok::Date;
            t.text = std::u16string(src_.substr(i + 1, j - i - 1));
            const std::optional<double> d = parseDateLiteral(t.text);
            if (!d)
                return errorAt(i, j + 1, "不是有效的日期");
            t.number = *d;
            i = j + 1;
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(src_[i + 1]))) {
            size_t j = i;
            while (j < n && isDigit(src_[j]))
                ++j;
            if (j < n && src_[j] == u'.') {
                ++j;
                while (j < n && isDigit(src_[j]))
                    ++j;
            }
            if (j < n && (src_[j] == u'e' || src_[j] == u'E')) {
                size_t k = j + 1;
                if (k < n && (src_[k] == u'+' || src_[k] == u'-'))
                    ++k;
                if (k < n && isDigit(src_[k])) {
                    while (k < n && isDigit(src_[k]))
                        ++k;
                    j = k;
                }
            }
            if (j < n && isNameChar(src_[j])) { // 8abc
                size_t k = j;
                while (k < n && isNameChar(src_[k]))
                    ++k;
                return errorAt(i, k, "");
            }
            t.kind = Tok::Number;
            t.text = std::u16string(src_.substr(i, j - i));
            std::string ascii(t.text.begin(), t.text.end());
            t.number = std::strtod(ascii.c_str(), nullptr);
            i = j;
        } else if (isNameChar(c)) {
            size_t j = i;
            while (j < n && isNameChar(src_[j]))
                ++j;
            t.kind = Tok::Name;
            t.text = std::u16string(src_.substr(i, j - i));
            i = j;
        } else {
            t.kind = Tok::Symbol;
            const char16_t d = i + 1 < n ? src_[i + 1] : 0;
            if ((c == u'<' && (d == u'>' || d == u'=')) || (c == u'>' && d == u'=') ||
                (c == u'!' && d == u'=')) {
                t.text = {c, d};
                i += 2;
            } else if (std::u16string_view(u",()*=<>.;-+").find(c) != std::u16string_view::npos) {
                t.text = {c};
                ++i;
            } else {
                return errorAt(i, i + 1, "");
            }
        }
        t.end = i;
        toks_.push_back(std::move(t));
        return okStatus();
    }
}

Result<std::u16string> Parser::name(const char* what) {
    const Token& t = peek();
    if (t.kind != Tok::Name || (!t.bracketed && isReserved(t.text)))
        return error(std::string("应为") + what);
    std::u16string s = t.text;
    next();
    return s;
}

Result<ColumnRef> Parser::columnRef() {
    ColumnRef ref;
    ref.position = charPosition(peek().begin);
    auto first = name("列名");
    if (!first)
        return first.error();
    if (isSymbol(u".")) {
        next();
        auto second = name("列名");
        if (!second)
            return second.error();
        ref.qualifier = std::move(*first);
        ref.name = std::move(*second);
    } else {
        ref.name = std::move(*first);
    }
    return ref;
}

const char16_t* const kAggregates[] = {u"COUNT", u"SUM", u"AVG", u"MIN", u"MAX"};

// A name that is an aggregate function's, followed by '('.
bool Parser::aggregateAhead() const {
    if (!isSymbol(u"(", 1)) // first: it may cut a token and move the others
        return false;
    const Token& t = peek();
    if (t.kind != Tok::Name || t.bracketed)
        return false;
    for (const char16_t* w : kAggregates)
        if (sameName(t.text, w))
            return true;
    return false;
}

Result<Aggregate> Parser::aggregate() {
    Aggregate a;
    const size_t begin = peek().begin;
    a.position = charPosition(begin);
    for (size_t i = 0; i < std::size(kAggregates); ++i)
        if (sameName(peek().text, kAggregates[i]))
            a.function = AggregateFunction(i);
    next();
    next(); // (
    if (isKeyword(u"DISTINCT") || isKeyword(u"ALL"))
        return error("不支持 " + toUtf8(peek().text));
    if (a.function == AggregateFunction::Count && eatSymbol(u"*")) {
        a.star = true;
    } else {
        if (isSymbol(u"*"))
            return error("只有 COUNT 可以写 *");
        auto ref = columnRef();
        if (!ref)
            return ref.error();
        a.column = std::move(*ref);
    }
    const size_t close = peek().begin;
    JET_TRY(expectSymbol(u")"));
    a.text = std::u16string(src_.substr(begin, close + 1 - begin));
    return a;
}

Result<Literal> Parser::literal() {
    Literal lit;
    bool negative = false;
    if (isSymbol(u"-") || isSymbol(u"+")) {
        negative = isSymbol(u"-");
        next();
        if (peek().kind != Tok::Number)
            return error("应为数字");
    }
    const Token& v = peek();
    switch (v.kind) {
    case Tok::Text:
        lit.kind = Literal::Kind::Text;
        lit.text = v.text;
        break;
    case Tok::Number:
        lit.kind = Literal::Kind::Number;
        lit.text = (negative ? u"-" : u"") + v.text;
        lit.number = negative ? -v.number : v.number;
        break;
    case Tok::Date:
        lit.kind = Literal::Kind::Date;
        lit.text = v.text;
        lit.number = v.number;
        break;
    case Tok::Name:
        if (!v.bracketed && sameName(v.text, u"NULL")) {
            lit.kind = Literal::Kind::Null;
            break;
        }
        if (!v.bracketed && (sameName(v.text, u"TRUE") || sameName(v.text, u"FALSE"))) {
            lit.kind = Literal::Kind::Boolean;
            lit.boolean = sameName(v.text, u"TRUE");
            break;
        }
        [[fallthrough]];
    default:
        return error("应为值");
    }
    next();
    return lit;
}

Result<Operand> Parser::operand() {
    Operand op;
    if (aggregateAhead()) { // (before taking a token by reference: looking ahead cuts more)
        if (!aggregatesAllowed_)
            return error("此处不能使用合计函数，合计函数只能用在 SELECT 列表、HAVING 和 ORDER BY 中");
        auto a = aggregate();
        if (!a)
            return a.error();
        op.kind = Operand::Kind::Aggregate;
        op.aggregate = std::move(*a);
        return op;
    }
    const Token& t = peek();
    const bool isValueWord =
        t.kind == Tok::Name && !t.bracketed &&
        (sameName(t.text, u"NULL") || sameName(t.text, u"TRUE") || sameName(t.text, u"FALSE"));
    const bool startsValue = t.kind == Tok::Name || t.kind == Tok::Text || t.kind == Tok::Number ||
                             t.kind == Tok::Date || isSymbol(u"-") || isSymbol(u"+");
    if (!startsValue)
        return error("应为列名或值");
    if (t.kind == Tok::Name && !isValueWord) {
        auto ref = columnRef();
        if (!ref)
            return ref.error();
        op.kind = Operand::Kind::Column;
        op.column = std::move(*ref);
        return op;
    }
    auto lit = literal();
    if (!lit)
        return lit.error();
    op.kind = Operand::Kind::Literal;
    op.literal = std::move(*lit);
    return op;
}

Result<std::shared_ptr<const Expr>> Parser::orExpr() {
    auto left = andExpr();
    if (!left)
        return left;
    std::shared_ptr<const Expr> e = std::move(*left);
    while (eatKeyword(u"OR")) {
        auto right = andExpr();
        if (!right)
            return right;
        auto node = std::make_shared<Expr>();
        node->kind = Expr::Kind::Or;
        node->left = std::move(e);
        node->right = std::move(*right);
        e = std::move(node);
    }
    return e;
}

Result<std::shared_ptr<const Expr>> Parser::andExpr() {
    auto left = notExpr();
    if (!left)
        return left;
    std::shared_ptr<const Expr> e = std::move(*left);
    while (eatKeyword(u"AND")) {
        auto right = notExpr();
        if (!right)
            return right;
        auto node = std::make_shared<Expr>();
        node->kind = Expr::Kind::And;
        node->left = std::move(e);
        node->right = std::move(*right);
        e = std::move(node);
    }
    return e;
}

Result<std::shared_ptr<const Expr>> Parser::notExpr() {
    if (eatKeyword(u"NOT")) {
        auto inner = notExpr();
        if (!inner)
            return inner;
        auto node = std::make_shared<Expr>();
        node->kind = Expr::Kind::Not;
        node->left = std::move(*inner);
        return std::shared_ptr<const Expr>(std::move(node));
    }
    if (eatSymbol(u"(")) {
        auto inner = orExpr();
        if (!inner)
            return inner;
        JET_TRY(expectSymbol(u")"));
        return inner;
    }
    return predicate();
}

Result<std::shared_ptr<const Expr>> Parser::predicate() {
    auto node = std::make_shared<Expr>();
    auto first = operand();
    if (!first)
        return first.error();
    node->operands.push_back(std::move(*first));

    static const struct {
        const char16_t* sym;
        CompareOp op;
    } ops[] = {{u"=", CompareOp::Eq},  {u"<>", CompareOp::Ne}, {u"!=", CompareOp::Ne}, {u"<", CompareOp::Lt},
               {u"<=", CompareOp::Le}, {u">", CompareOp::Gt},  {u">=", CompareOp::Ge}};
    for (const auto& o : ops) {
        if (eatSymbol(o.sym)) {
            auto second = operand();
            if (!second)
                return second.error();
            node->kind = Expr::Kind::Compare;
            node->op = o.op;
            node->operands.push_back(std::move(*second));
            return std::shared_ptr<const Expr>(std::move(node));
        }
    }
    if (eatKeyword(u"IS")) {
        node->kind = Expr::Kind::IsNull;
        node->negated = eatKeyword(u"NOT");
        JET_TRY(expectKeyword(u"NULL"));
        return std::shared_ptr<const Expr>(std::move(node));
    }
    const bool negated =
        isKeyword(u"NOT") && (isKeyword(u"LIKE", 1) || isKeyword(u"BETWEEN", 1) || isKeyword(u"IN", 1));
    if (negated)
        next();
    node->negated = negated;
    if (eatKeyword(u"LIKE")) {
        node->kind = Expr::Kind::Like;
        auto pattern = operand();
        if (!pattern)
            return pattern.error();
        node->operands.push_back(std::move(*pattern));
    } else if (eatKeyword(u"BETWEEN")) {
        node->kind = Expr::Kind::Between;
        auto low = operand();
        if (!low)
            return low.error();
        JET_TRY(expectKeyword(u"AND"));
        auto high = operand();
        if (!high)
            return high.error();
        node->operands.push_back(std::move(*low));
        node->operands.push_back(std::move(*high));
    } else if (eatKeyword(u"IN")) {
        node->kind = Expr::Kind::In;
        JET_TRY(expectSymbol(u"("));
        do {
            auto item = operand();
            if (!item)
                return item.error();
            node->operands.push_back(std::move(*item));
        } while (eatSymbol(u","));
        JET_TRY(expectSymbol(u")"));
    } else {
        node->kind = Expr::Kind::Truth;
    }
    return std::shared_ptr<const Expr>(std::move(node));
}

Status Parser::where(Statement& st) {
    if (!eatKeyword(u"WHERE"))
        return okStatus();
    auto cond = orExpr();
    if (!cond)
        return cond.error();
    st.where.root = std::move(*cond);
    return okStatus();
}

Status Parser::end() {
    eatSymbol(u";");
    if (peek().kind != Tok::End)
        return error("语句应在此结束");
    return okStatus();
}

Result<Statement> Parser::select() {
    Statement st;
    st.kind = StatementKind::Select;
    if (isKeyword(u"DISTINCT") || isKeyword(u"TOP"))
        return error("不支持 " + toUtf8(peek().text));
    if (isSymbol(u"*")) {
        st.allColumns = true;
        SelectItem item;
        item.column = ColumnRef{u"", u"*", charPosition(peek().begin)};
        st.items.push_back(std::move(item));
        next();
    } else if (peek().kind == Tok::Name && isSymbol(u".", 1) && isSymbol(u"*", 2)) {
        st.allColumns = true; // t.*
        SelectItem item;
        item.column = ColumnRef{peek().text, u"*", charPosition(peek().begin)};
        st.items.push_back(std::move(item));
        next();
        next();
        next();
    } else {
        do {
            SelectItem item;
            if (aggregateAhead()) {
                auto a = aggregate();
                if (!a)
                    return a.error();
                item.isAggregate = true;
                item.aggregate = std::move(*a);
            } else {
                auto ref = columnRef();
                if (!ref)
                    return ref.error();
                item.column = std::move(*ref);
            }
            if (eatKeyword(u"AS")) {
                auto alias = name("别名");
                if (!alias)
                    return alias.error();
                item.alias = std::move(*alias);
            }
            st.items.push_back(std::move(item));
        } while (eatSymbol(u","));
    }
    JET_TRY(expectKeyword(u"FROM"));
    auto table = name("表名");
    if (!table)
        return table.error();
    st.table = std::move(*table);
    JET_TRY(where(st));
    if (eatKeyword(u"GROUP")) {
        JET_TRY(expectKeyword(u"BY"));
        do {
            if (aggregateAhead())
                return error("GROUP BY 中不能使用合计函数");
            auto ref = columnRef();
            if (!ref)
                return ref.error();
            st.groupBy.push_back(std::move(*ref));
        } while (eatSymbol(u","));
    }
    if (eatKeyword(u"HAVING")) {
        aggregatesAllowed_ = true;
        auto cond = orExpr();
        aggregatesAllowed_ = false;
        if (!cond)
            return cond.error();
        st.having.root = std::move(*cond);
    }
    if (eatKeyword(u"ORDER")) {
        JET_TRY(expectKeyword(u"BY"));
        do {
            OrderKey key;
            if (peek().kind == Tok::Number) {
                const Token& t = peek();
                if (t.text.find_first_not_of(u"0123456789") != std::u16string::npos || t.number < 1 ||
                    t.number > 1e6)
                    return error("应为列名或列的序号");
                key.position = int(t.number);
                next();
            } else if (aggregateAhead()) {
                auto a = aggregate();
                if (!a)
                    return a.error();
                key.isAggregate = true;
                key.aggregate = std::move(*a);
            } else {
                auto ref = columnRef();
                if (!ref)
                    return ref.error();
                key.column = std::move(*ref);
            }
            if (eatKeyword(u"DESC"))
                key.descending = true;
            else
                eatKeyword(u"ASC");
            st.orderBy.push_back(std::move(key));
        } while (eatSymbol(u","));
    }
    JET_TRY(end());
    return st;
}

Result<Statement> Parser::insert() {
    Statement st;
    st.kind = StatementKind::Insert;
    JET_TRY(expectKeyword(u"INTO"));
    auto table = name("表名");
    if (!table)
        return table.error();
    st.table = std::move(*table);
    if (eatSymbol(u"(")) {
        do {
            auto ref = columnRef();
            if (!ref)
                return ref.error();
            st.columns.push_back(std::move(*ref));
        } while (eatSymbol(u","));
        JET_TRY(expectSymbol(u")"));
    }
    JET_TRY(expectKeyword(u"VALUES"));
    JET_TRY(expectSymbol(u"("));
    do {
        auto lit = literal();
        if (!lit)
            return lit.error();
        st.values.push_back(std::move(*lit));
    } while (eatSymbol(u","));
    JET_TRY(expectSymbol(u")"));
    JET_TRY(end());
    return st;
}

Result<Statement> Parser::update() {
    Statement st;
    st.kind = StatementKind::Update;
    auto table = name("表名");
    if (!table)
        return table.error();
    st.table = std::move(*table);
    JET_TRY(expectKeyword(u"SET"));
    do {
        Assignment a;
        auto ref = columnRef();
        if (!ref)
            return ref.error();
        a.column = std::move(*ref);
        JET_TRY(expectSymbol(u"="));
        auto value = operand();
        if (!value)
            return value.error();
        a.value = std::move(*value);
        st.assignments.push_back(std::move(a));
    } while (eatSymbol(u","));
    JET_TRY(where(st));
    JET_TRY(end());
    return st;
}

Result<Statement> Parser::remove() {
    Statement st;
    st.kind = StatementKind::Delete;
    if (!eatSymbol(u"*") && peek().kind == Tok::Name && isSymbol(u".", 1) && isSymbol(u"*", 2)) {
        next(); // DELETE t.* FROM t
        next();
        next();
    }
    JET_TRY(expectKeyword(u"FROM"));
    auto table = name("表名");
    if (!table)
        return table.error();
    st.table = std::move(*table);
    JET_TRY(where(st));
    JET_TRY(end());
    return st;
}

Result<Statement> Parser::statement() {
    if (eatKeyword(u"SELECT"))
        return select();
    if (eatKeyword(u"INSERT"))
        return insert();
    if (eatKeyword(u"UPDATE"))
        return update();
    if (eatKeyword(u"DELETE"))
        return remove();
    if (peek().kind == Tok::End)
        return makeError(ErrorKind::Syntax, "语法错误：语句是空的");
    return error("应为 SELECT、INSERT、UPDATE 或 DELETE");
}

Result<Condition> Parser::conditionOnly() {
    if (peek().kind == Tok::End)
        return makeError(ErrorKind::Syntax, "语法错误：条件是空的");
    auto cond = orExpr();
    if (!cond)
        return cond.error();
    if (peek().kind != Tok::End)
        return error("条件应在此结束");
    return Condition{std::move(*cond)};
}

} // namespace

Result<Statement> parseStatement(std::u16string_view text) {
    Parser p(text);
    return p.statement();
}

Result<Statement> parseStatement(std::string_view utf8) {
    const std::u16string text = fromUtf8(std::string(utf8));
    return parseStatement(std::u16string_view(text));
}

Result<Condition> parseCondition(std::u16string_view text) {
    Parser p(text);
    return p.conditionOnly();
}

Result<Condition> parseCondition(std::string_view utf8) {
    const std::u16string text = fromUtf8(std::string(utf8));
    return parseCondition(std::u16string_view(text));
}

} // namespace jet::sql
