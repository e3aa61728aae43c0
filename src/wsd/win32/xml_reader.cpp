// The XML reader on Windows: XmlLite, a system DLL. Its import library is not
// shipped with every toolchain, so CreateXmlReader is looked up at run time.

#include <shlwapi.h>
#include <windows.h>
#include <xmllite.h>

#include <memory>

#include "system/unique_resource.h"
#include "system/win32/wide_text.h"
#include "wsd/xml_reader.h"

namespace jobhost::wsd {
namespace {

constexpr wchar_t kXmlnsNamespace[] = L"http://www.w3.org/2000/xmlns/";

template <typename Interface>
struct ComTraits {
  using Type = Interface*;
  static Type Invalid() { return nullptr; }
  static void Release(Type object) { object->Release(); }
};
template <typename Interface>
using ComOwner = UniqueResource<ComTraits<Interface>>;

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// Loaded once and kept for the life of the process: unloading it from a
// library's own unload would run inside the loader lock.
CreateXmlReaderFunction CreateXmlReaderExport() {
  static const CreateXmlReaderFunction create = [] {
    HMODULE module = ::LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? reinterpret_cast<CreateXmlReaderFunction>(
                        reinterpret_cast<void*>(::GetProcAddress(module, "CreateXmlReader")))
                  : nullptr;
  }();
  return create;
}

std::string Utf8Of(const WCHAR* text, UINT length) {
  return text ? win32::Utf8FromWide({text, length}) : std::string();
}

class XmlLiteNodeSource : public XmlNodeSource {
 public:
  XmlLiteNodeSource(ComOwner<IXmlReader> reader, ComOwner<IStream> stream)
      : reader_(std::move(reader)), stream_(std::move(stream)) {}

  XmlNode Read() override {
    XmlNodeType type = XmlNodeType_None;
    const HRESULT result = reader_->Read(&type);
    if (result == S_FALSE) return XmlNode::kEnd;
    if (result != S_OK) return XmlNode::kRefused;
    switch (type) {
      case XmlNodeType_Element:
        empty_ = reader_->IsEmptyElement() != FALSE;
        return XmlNode::kElementStart;
      case XmlNodeType_EndElement:
        return XmlNode::kElementEnd;
      case XmlNodeType_Text:
      case XmlNodeType_CDATA:
      case XmlNodeType_Whitespace:
        return XmlNode::kText;
      case XmlNodeType_Comment:
      case XmlNodeType_ProcessingInstruction:
      case XmlNodeType_XmlDeclaration:
        return XmlNode::kSkipped;
      default:
        return XmlNode::kRefused;
    }
  }

  std::optional<XmlPosition> Position() override {
    UINT line = 0;
    UINT column = 0;
    if (FAILED(reader_->GetLineNumber(&line)) || FAILED(reader_->GetLinePosition(&column))) {
      return std::nullopt;
    }
    return XmlPosition{line, column};
  }

  bool EmptyElement() override { return empty_; }

  std::size_t AttributeCount() override {
    UINT count = 0;
    return SUCCEEDED(reader_->GetAttributeCount(&count)) ? count : 0;
  }

  XmlName Name() override { return {NamespaceUri(), LocalName()}; }

  std::vector<XmlNamespaceDeclaration> Declarations() override {
    std::vector<XmlNamespaceDeclaration> declarations;
    for (HRESULT at = reader_->MoveToFirstAttribute(); at == S_OK;
         at = reader_->MoveToNextAttribute()) {
      const WCHAR* uri = nullptr;
      UINT length = 0;
      if (FAILED(reader_->GetNamespaceUri(&uri, &length)) || !uri ||
          std::wstring_view(uri, length) != kXmlnsNamespace) {
        continue;
      }
      // "xmlns:p" has the prefix "xmlns" and the local name "p"; "xmlns"
      // alone declares the default.
      const WCHAR* prefix = nullptr;
      UINT prefixLength = 0;
      const bool prefixed =
          SUCCEEDED(reader_->GetPrefix(&prefix, &prefixLength)) && prefixLength > 0;
      declarations.emplace_back(prefixed ? LocalName() : "", Text());
    }
    reader_->MoveToElement();
    return declarations;
  }

  std::string Text() override {
    const WCHAR* value = nullptr;
    UINT length = 0;
    return SUCCEEDED(reader_->GetValue(&value, &length)) ? Utf8Of(value, length) : std::string();
  }

 private:
  std::string NamespaceUri() {
    const WCHAR* uri = nullptr;
    UINT length = 0;
    return SUCCEEDED(reader_->GetNamespaceUri(&uri, &length)) ? Utf8Of(uri, length) : std::string();
  }
  std::string LocalName() {
    const WCHAR* name = nullptr;
    UINT length = 0;
    return SUCCEEDED(reader_->GetLocalName(&name, &length)) ? Utf8Of(name, length) : std::string();
  }

  ComOwner<IXmlReader> reader_;
  ComOwner<IStream> stream_;
  bool empty_ = false;
};

}  // namespace

std::unique_ptr<XmlNodeSource> OpenXmlNodeSource(std::string_view document) {
  const CreateXmlReaderFunction create = CreateXmlReaderExport();
  if (!create) return nullptr;
  IXmlReader* created = nullptr;
  if (FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr))) {
    return nullptr;
  }
  ComOwner<IXmlReader> reader(created);
  ComOwner<IStream> stream(::SHCreateMemStream(reinterpret_cast<const BYTE*>(document.data()),
                                               static_cast<UINT>(document.size())));
  // No document type is read and nothing is resolved: no entity of one is
  // ever expanded, no file or URL opened.
  if (!stream ||
      FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0)) ||
      FAILED(reader->SetInput(stream.get()))) {
    return nullptr;
  }
  return std::make_unique<XmlLiteNodeSource>(std::move(reader), std::move(stream));
}

}  // namespace jobhost::wsd
