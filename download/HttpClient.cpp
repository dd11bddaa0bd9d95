#include "download/HttpClient.h"

#include "download/HttpExchange.h"
#include "platform/ScopeExit.h"
#include "text/Messages.h"

namespace yomida {

HttpResponse HttpClient::Get(const HttpRequest& request, const HttpProgress& progress) {
    if (busy_) {
        HttpResponse refused;
        refused.error = "Already connected";
        return refused;
    }
    busy_ = true;
    const ScopeExit idle([this] { busy_ = false; });
    HttpExchange exchange(connector_, cookies_, request, progress);
    return exchange.Run();
}

std::string HttpClient::CertificateErrorText(const std::string& host, const std::string& reason) {
    return MsgText(Msg::CertificateUnverifiedFor) + host + " (" + reason + ")";
}

}  // namespace yomida
