#include "sources/RecordExtraction.h"

#include <libxml/HTMLparser.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <cmath>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "sources/DefinedSourceError.h"

namespace yomida {
namespace {

using Namespaces = std::vector<std::pair<std::string, std::string>>;

const xmlChar* XmlText(const std::string& text) {
    return reinterpret_cast<const xmlChar*>(text.c_str());
}

void InitialiseLibxml() {
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

// The messages a parser or an XPath would print go nowhere: each failure is reported once,
// with its place, by the caller.
void KeepXmlErrorQuiet(void*, xmlErrorPtr) {}

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;
struct XmlParserFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
};
using XPathContext = std::unique_ptr<xmlXPathContext, XPathContextFree>;
struct XPathCompiledFree {
    void operator()(xmlXPathCompExpr* expression) const { xmlXPathFreeCompExpr(expression); }
};
using XPathCompiled = std::unique_ptr<xmlXPathCompExpr, XPathCompiledFree>;
struct XPathObjectFree {
    void operator()(xmlXPathObject* object) const { xmlXPathFreeObject(object); }
};
using XPathObject = std::unique_ptr<xmlXPathObject, XPathObjectFree>;

std::string XmlErrorText(const xmlError* error) {
    if (error == nullptr || error->message == nullptr) {
        return "unknown error";
    }
    std::string text = error->message;
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return error->line > 0 ? "line " + std::to_string(error->line) + ": " + text : text;
}

// A document whose elements nest deeper than any list needs is refused before anything walks it.
void RefuseDeepDocument(const xmlDoc* doc) {
    int depth = 0;
    const xmlNode* node = doc->children;
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            if (++depth > kMaxResponseDepth) {
                throw DefinedSourceError("the response nests deeper than " +
                                         std::to_string(kMaxResponseDepth) + " levels");
            }
            node = node->children;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
            --depth;
            if (node == nullptr || node->type == XML_DOCUMENT_NODE ||
                node->type == XML_HTML_DOCUMENT_NODE) {
                return;
            }
        }
        node = node->next;
    }
}

// Entities declared inside a response would be expanded by whatever reads a node's text.
void RefuseDeclaredEntities(const xmlDoc* doc) {
    const xmlDtd* dtd = doc->intSubset;
    if (dtd == nullptr) {
        return;
    }
    const auto declared = [](void* table) {
        return table != nullptr && xmlHashSize(static_cast<xmlHashTablePtr>(table)) > 0;
    };
    if (declared(dtd->entities) || declared(dtd->pentities)) {
        throw DefinedSourceError("the response declares entities, which are not read");
    }
}

XmlDoc ParseMarkup(std::string_view response, ResponseKind kind) {
    InitialiseLibxml();
    if (response.size() > static_cast<size_t>(INT_MAX)) {
        throw DefinedSourceError("the response is too large to read");
    }
    const int size = static_cast<int>(response.size());
    XmlDoc doc;
    if (kind == ResponseKind::Html) {
        std::unique_ptr<xmlParserCtxt, XmlParserFree> context(htmlNewParserCtxt());
        doc.reset(htmlCtxtReadMemory(context.get(), response.data(), size, nullptr, nullptr,
                                     HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                         HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                         HTML_PARSE_COMPACT));
        // HTML is read leniently, but a page cut off where it nests too deep is not read on.
        const xmlError* error = xmlCtxtGetLastError(context.get());
        if (!doc || (error != nullptr && error->code == XML_ERR_INTERNAL_ERROR)) {
            throw DefinedSourceError("the response is no HTML page that can be read (" +
                                     XmlErrorText(error) + ")");
        }
    } else {
        // No XML_PARSE_NOENT or XML_PARSE_DTDLOAD: entities stay unexpanded, no DTD is loaded.
        std::unique_ptr<xmlParserCtxt, XmlParserFree> context(xmlNewParserCtxt());
        doc.reset(xmlCtxtReadMemory(
            context.get(), response.data(), size, nullptr, nullptr,
            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT));
        if (!doc || context->wellFormed == 0) {
            throw DefinedSourceError("the response is not well-formed XML (" +
                                     XmlErrorText(xmlCtxtGetLastError(context.get())) + ")");
        }
    }
    RefuseDeclaredEntities(doc.get());
    RefuseDeepDocument(doc.get());
    return doc;
}

XPathContext NewXPathContext(xmlDoc* doc, const Namespaces& namespaces) {
    XPathContext context(xmlXPathNewContext(doc));
    if (!context) {
        throw std::bad_alloc();
    }
    context->error = KeepXmlErrorQuiet;
    for (const auto& [prefix, uri] : namespaces) {
        xmlXPathRegisterNs(context.get(), XmlText(prefix), XmlText(uri));
    }
    return context;
}

// The text of a node as a reader sees it: its text and CDATA, entity references left out.
void AppendNodeText(const xmlNode* node, std::string& out) {
    for (; node != nullptr; node = node->next) {
        switch (node->type) {
            case XML_TEXT_NODE:
            case XML_CDATA_SECTION_NODE:
                if (node->content != nullptr) {
                    out += reinterpret_cast<const char*>(node->content);
                }
                break;
            case XML_ELEMENT_NODE:
                AppendNodeText(node->children, out);
                break;
            default:
                break;
        }
    }
}

std::string NodeText(const xmlNode* node) {
    std::string text;
    if (node->type == XML_NAMESPACE_DECL) {
        const auto* ns = reinterpret_cast<const xmlNs*>(node);
        return ns->href != nullptr ? reinterpret_cast<const char*>(ns->href) : "";
    }
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        return node->content != nullptr ? reinterpret_cast<const char*>(node->content) : "";
    }
    if (node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) {
        AppendNodeText(node->children, text);
    }
    return text;
}

std::string NumberText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    return std::isnan(value) ? "" : std::to_string(value);
}

// The values of an XPath result: the text of each node, or the one string, number or truth.
void AppendXPathValues(const xmlXPathObject* result, std::vector<std::string>& values) {
    switch (result->type) {
        case XPATH_NODESET:
            if (result->nodesetval != nullptr) {
                for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
                    values.push_back(NodeText(result->nodesetval->nodeTab[i]));
                }
            }
            break;
        case XPATH_STRING:
            values.emplace_back(reinterpret_cast<const char*>(result->stringval));
            break;
        case XPATH_NUMBER:
            values.push_back(NumberText(result->floatval));
            break;
        case XPATH_BOOLEAN:
            values.emplace_back(result->boolval != 0 ? "true" : "false");
            break;
        default:
            break;
    }
}

void DropEmptyValues(std::vector<std::string>& values) {
    std::erase_if(values, [](const std::string& v) {
        return v.find_first_not_of(" \t\r\n") == std::string::npos;
    });
}

// The definition's selectors compiled once for one document.
class MarkupSelectors {
public:
    MarkupSelectors(const SourceDefinition& definition, xmlDoc* doc)
        : definition_(definition), context_(NewXPathContext(doc, definition.namespaces)) {
        records_ = Compile(definition.records);
        if (!definition.paging.total.empty()) {
            total_ = Compile(definition.paging.total);
        }
        for (size_t f = 0; f < kRecordFieldCount; ++f) {
            if (const std::optional<FieldRule>& rule = definition.fields[f]) {
                for (const std::string& selector : rule->selectors) {
                    fields_[f].push_back(Compile(selector));
                }
            }
        }
    }

    std::vector<xmlNode*> Records() {
        context_->node = xmlDocGetRootElement(context_->doc);
        const XPathObject found = Evaluate(records_.get(), definition_.records);
        std::vector<xmlNode*> nodes;
        if (found->type == XPATH_NODESET && found->nodesetval != nullptr) {
            nodes.assign(found->nodesetval->nodeTab,
                         found->nodesetval->nodeTab + found->nodesetval->nodeNr);
        }
        return nodes;
    }

    std::optional<int64_t> Total() {
        if (!total_) {
            return std::nullopt;
        }
        context_->node = xmlDocGetRootElement(context_->doc);
        std::vector<std::string> values;
        AppendXPathValues(Evaluate(total_.get(), definition_.paging.total).get(), values);
        return values.empty() ? std::nullopt : ReadTotal(values.front());
    }

    ExtractedRecord Read(xmlNode* record) {
        ExtractedRecord out;
        context_->node = record;
        for (size_t f = 0; f < kRecordFieldCount; ++f) {
            const std::optional<FieldRule>& rule = definition_.fields[f];
            if (!rule) {
                continue;
            }
            std::vector<std::string>& values = out.values[f];
            for (size_t s = 0; s < fields_[f].size() && values.empty(); ++s) {
                AppendXPathValues(Evaluate(fields_[f][s].get(), rule->selectors[s]).get(), values);
                DropEmptyValues(values);
            }
        }
        return out;
    }

    static std::optional<int64_t> ReadTotal(const std::string& text) {
        size_t at = text.find_first_not_of(" \t\r\n");
        int64_t total = 0;
        size_t digits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 15;
             ++at, ++digits) {
            total = total * 10 + (text[at] - '0');
        }
        return digits > 0 ? std::optional<int64_t>(total) : std::nullopt;
    }

private:
    XPathCompiled Compile(const std::string& expression) {
        XPathCompiled compiled(xmlXPathCtxtCompile(context_.get(), XmlText(expression)));
        if (!compiled) {
            throw DefinedSourceError("the selector \"" + expression + "\" is no XPath");
        }
        return compiled;
    }

    XPathObject Evaluate(xmlXPathCompExpr* compiled, const std::string& expression) {
        XPathObject result(xmlXPathCompiledEval(compiled, context_.get()));
        if (!result) {
            throw DefinedSourceError("the selector \"" + expression +
                                     "\" cannot be applied to the response (" +
                                     XmlErrorText(&context_->lastError) + ")");
        }
        return result;
    }

    const SourceDefinition& definition_;
    XPathContext context_;
    XPathCompiled records_;
    XPathCompiled total_;
    std::array<std::vector<XPathCompiled>, kRecordFieldCount> fields_;
};

// JSON ------------------------------------------------------------------------------------

using Json = nlohmann::json;

Json ParseJsonResponse(std::string_view response) {
    const Json::parser_callback_t depthGuard = [](int depth, Json::parse_event_t, Json&) {
        if (depth > kMaxResponseDepth) {
            throw DefinedSourceError("the response nests deeper than " +
                                     std::to_string(kMaxResponseDepth) + " levels");
        }
        return true;
    };
    try {
        return Json::parse(response.begin(), response.end(), depthGuard);
    } catch (const Json::parse_error& e) {
        std::string what = e.what();
        // Without the library's own tag in front, the reason reads as a sentence.
        if (const size_t tag = what.find("] ");
            what.starts_with("[json.") && tag != std::string::npos) {
            what.erase(0, tag + 2);
        }
        throw DefinedSourceError("the response is not well-formed JSON (" + what + ")");
    }
}

const Json* FindPointer(const Json& at, const std::string& pointer) {
    try {
        const Json::json_pointer path(pointer);
        return at.contains(path) ? &at.at(path) : nullptr;
    } catch (const Json::exception&) {
        return nullptr;
    }
}

void AppendJsonScalar(const Json& value, std::vector<std::string>& values) {
    if (value.is_string()) {
        values.push_back(value.get<std::string>());
    } else if (value.is_number_integer() || value.is_number_unsigned()) {
        values.push_back(value.dump());
    } else if (value.is_number_float()) {
        values.push_back(NumberText(value.get<double>()));
    } else if (value.is_boolean()) {
        values.emplace_back(value.get<bool>() ? "true" : "false");
    }
}

void AppendJsonValues(const Json& value, std::vector<std::string>& values) {
    if (value.is_array()) {
        for (const Json& item : value) {
            AppendJsonScalar(item, values);
        }
    } else {
        AppendJsonScalar(value, values);
    }
}

std::vector<const Json*> JsonRecords(const Json& doc, const std::string& pointer) {
    std::vector<const Json*> records;
    const Json* found = FindPointer(doc, pointer);
    if (found == nullptr) {
        return records;
    }
    if (found->is_array()) {
        for (const Json& item : *found) {
            records.push_back(&item);
        }
    } else if (found->is_object()) {
        records.push_back(found);
    }
    return records;
}

ExtractedRecord ReadJsonRecord(const SourceDefinition& definition, const Json& record) {
    ExtractedRecord out;
    for (size_t f = 0; f < kRecordFieldCount; ++f) {
        const std::optional<FieldRule>& rule = definition.fields[f];
        if (!rule) {
            continue;
        }
        std::vector<std::string>& values = out.values[f];
        for (size_t s = 0; s < rule->selectors.size() && values.empty(); ++s) {
            if (const Json* value = FindPointer(record, rule->selectors[s])) {
                AppendJsonValues(*value, values);
                DropEmptyValues(values);
            }
        }
    }
    return out;
}

std::optional<int64_t> JsonTotal(const Json& doc, const std::string& pointer) {
    const Json* found = pointer.empty() ? nullptr : FindPointer(doc, pointer);
    if (found == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> values;
    AppendJsonScalar(*found, values);
    return values.empty() ? std::nullopt : MarkupSelectors::ReadTotal(values.front());
}

}  // namespace

std::vector<ExtractedRecord> RecordExtractor::Extract(std::string_view response) const {
    std::vector<ExtractedRecord> records;
    if (definition_.response == ResponseKind::Json) {
        const Json doc = ParseJsonResponse(response);
        for (const Json* record : JsonRecords(doc, definition_.records)) {
            records.push_back(ReadJsonRecord(definition_, *record));
        }
        return records;
    }
    const XmlDoc doc = ParseMarkup(response, definition_.response);
    MarkupSelectors selectors(definition_, doc.get());
    for (xmlNode* node : selectors.Records()) {
        records.push_back(selectors.Read(node));
    }
    return records;
}

PageSummary RecordExtractor::Summarise(std::string_view response) const {
    PageSummary summary;
    if (definition_.response == ResponseKind::Json) {
        const Json doc = ParseJsonResponse(response);
        summary.records = JsonRecords(doc, definition_.records).size();
        summary.total = JsonTotal(doc, definition_.paging.total);
        return summary;
    }
    const XmlDoc doc = ParseMarkup(response, definition_.response);
    MarkupSelectors selectors(definition_, doc.get());
    summary.records = selectors.Records().size();
    summary.total = selectors.Total();
    return summary;
}

std::optional<std::string> SelectorFault(ResponseKind kind, const Namespaces& namespaces,
                                         const std::string& selector) {
    if (kind == ResponseKind::Json) {
        try {
            const Json::json_pointer pointer(selector);
        } catch (const Json::exception&) {
            return "\"" + selector + "\" is no JSON pointer (\"/items\", \"/title\")";
        }
        return std::nullopt;
    }
    InitialiseLibxml();
    // Compiled and then tried on an empty document, which is where an undeclared prefix shows.
    const XmlDoc doc(xmlReadMemory("<x/>", 4, nullptr, nullptr, XML_PARSE_NONET));
    const XPathContext context = NewXPathContext(doc.get(), namespaces);
    const XPathCompiled compiled(xmlXPathCtxtCompile(context.get(), XmlText(selector)));
    if (!compiled) {
        return "\"" + selector + "\" is no XPath (" + XmlErrorText(&context->lastError) + ")";
    }
    context->node = xmlDocGetRootElement(doc.get());
    const XPathObject result(xmlXPathCompiledEval(compiled.get(), context.get()));
    if (!result) {
        return "\"" + selector + "\" cannot be evaluated (" + XmlErrorText(&context->lastError) +
               ")";
    }
    return std::nullopt;
}

}  // namespace yomida
