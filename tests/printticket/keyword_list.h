// The public Print Schema keyword list (DRV_KEYWORDS_TSV: keyword, kind, parent, value type, unit;
// tab-separated, one header line), for tests that check the psk names of our documents:
// a psk name must be a public keyword of the kind its element has, under the parent its place in
// the document gives it. A name that is not public belongs to the driver's own namespace.
//
// Parent columns: "-" for a root-level Feature, Property or ParameterDef; the Feature for an
// Option; the Feature (or "Feature/Option" when only that option defines it) for a
// ScoredProperty; the enclosing Property for a sub-property; "Feature/Property",
// "psf:SelectionType", "psf:Mandatory" or "@constrained" for a Value; "*" for any parent.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "test_files.h"

struct PublicKeyword {
    std::wstring keyword, kind, parent, valueType, unit;
};

class KeywordList {
public:
    // The list of DRV_KEYWORDS_TSV, read once; empty when the file cannot be read (tests should
    // assert that it is not empty before relying on a negative answer).
    static const KeywordList& Public()
    {
        static const KeywordList list(ReadTextFile(Widen(DRV_KEYWORDS_TSV)));
        return list;
    }

    explicit KeywordList(const std::string& tsv)
    {
        size_t start = 0;
        bool header = true;
        while (start < tsv.size()) {
            size_t end = tsv.find('\n', start);
            if (end == std::string::npos) end = tsv.size();
            std::string line = tsv.substr(start, end - start);
            start = end + 1;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (header) {
                header = false;
                continue;
            }
            std::vector<std::wstring> fields;
            size_t from = 0;
            while (fields.size() < 5) {
                const size_t tab = line.find('\t', from);
                fields.push_back(Widen(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from)));
                if (tab == std::string::npos) break;
                from = tab + 1;
            }
            if (fields.size() < 3 || fields[0].empty()) continue;
            fields.resize(5);
            rows_.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
        }
    }

    size_t size() const { return rows_.size(); }
    const std::vector<PublicKeyword>& rows() const { return rows_; }

    // Whether the keyword is public with that kind (Feature, Option, ScoredProperty, Property,
    // ParameterDef or Value), under any parent.
    bool IsPublic(std::wstring_view keyword, std::wstring_view kind) const
    {
        for (const PublicKeyword& row : rows_)
            if (row.keyword == keyword && row.kind == kind) return true;
        return false;
    }

    // The parent columns of the keyword's rows of that kind, in list order.
    std::vector<std::wstring> Parents(std::wstring_view keyword, std::wstring_view kind) const
    {
        std::vector<std::wstring> parents;
        for (const PublicKeyword& row : rows_)
            if (row.keyword == keyword && row.kind == kind) parents.push_back(row.parent);
        return parents;
    }

    // The row of (keyword, kind) whose parent column is parent (or "*"), or NULL.
    const PublicKeyword* Find(std::wstring_view keyword, std::wstring_view kind, std::wstring_view parent) const
    {
        for (const PublicKeyword& row : rows_)
            if (row.keyword == keyword && row.kind == kind && (row.parent == parent || row.parent == L"*"))
                return &row;
        return nullptr;
    }

    bool HasParent(std::wstring_view keyword, std::wstring_view kind, std::wstring_view parent) const
    {
        return Find(keyword, kind, parent) != nullptr;
    }

    // Whether the keyword is public with that kind inside feature (and option): its parent column
    // is the feature, "feature/option" when an option is given, or "*".
    bool IsPublicUnder(std::wstring_view keyword, std::wstring_view kind, std::wstring_view feature,
                       std::wstring_view option = {}) const
    {
        if (HasParent(keyword, kind, feature)) return true;
        if (option.empty()) return false;
        std::wstring both(feature);
        both += L'/';
        both += option;
        return HasParent(keyword, kind, both);
    }

private:
    std::vector<PublicKeyword> rows_;
};
