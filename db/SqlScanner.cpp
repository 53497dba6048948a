#include "db/SqlScanner.h"

namespace db {

bool isSqlNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$';
}

std::vector<SqlPart> sqlParts(const std::string& sql) {
    enum class In { Code, Literal, QuotedName, LineComment, BlockComment } in = In::Code;
    std::vector<SqlPart> parts(sql.size(), SqlPart::Code);
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        switch (in) {
            case In::Code:
                if (c == '\'')
                    in = In::Literal;
                else if (c == '"')
                    in = In::QuotedName;
                else if (c == '-' && next == '-')
                    in = In::LineComment;
                else if (c == '/' && next == '*')
                    in = In::BlockComment;
                break;
            case In::Literal:
                if (c == '\'') {
                    parts[i] = SqlPart::Literal;
                    in = In::Code;
                    continue;
                }
                break;
            case In::QuotedName:
                if (c == '"') {
                    parts[i] = SqlPart::QuotedName;
                    in = In::Code;
                    continue;
                }
                break;
            case In::LineComment:
                if (c == '\n') in = In::Code;
                break;
            case In::BlockComment:
                if (c == '*' && next == '/') {
                    parts[i] = parts[i + 1] = SqlPart::Comment;
                    ++i;
                    in = In::Code;
                    continue;
                }
                break;
        }
        switch (in) {
            case In::Code:
                parts[i] = SqlPart::Code;
                break;
            case In::Literal:
                parts[i] = SqlPart::Literal;
                break;
            case In::QuotedName:
                parts[i] = SqlPart::QuotedName;
                break;
            case In::LineComment:
            case In::BlockComment:
                parts[i] = SqlPart::Comment;
                break;
        }
    }
    return parts;
}

}  // namespace db
