#include "analysis.h"

namespace ruz {

std::string_view typeWord(ParamType type) {
    switch (type) {
    case ParamType::Dir: return "dir";
    case ParamType::File: return "file";
    case ParamType::Int: return "int";
    case ParamType::Str: return "str";
    }
    return "str";
}

std::string_view readsFormWord(ReadsForm form) {
    switch (form) {
    case ReadsForm::Letters: return "letters";
    case ReadsForm::Codes: return "codes";
    case ReadsForm::Sequences: return "sequences";
    case ReadsForm::None: return "none";
    }
    return "none";
}

std::string templateText(const AnalysisInfo& analysis) {
    std::string text;
    for (const ParamSpec& p : analysis.parameters) {
        if (!p.inTemplate) continue;
        text.append(p.comment).append("\n").append(typeWord(p.type)).append("\n");
        text.append(p.name).append("\n").append(p.defaultValue).append("\n");
    }
    return text;
}

const ParamSpec* AnalysisInfo::parameter(std::string_view wanted) const {
    for (const ParamSpec& declared : parameters)
        if (declared.name == wanted) return &declared;
    return nullptr;
}

}  // namespace ruz
