#include "download/FailureReason.h"

#include "text/Messages.h"

namespace yomida {
namespace {

// The statuses a release list's server is likely to give, by name.
const std::string* StatusName(int status) {
    switch (status) {
        case 403:
            return &MsgText(Msg::ReasonForbidden);
        case 404:
            return &MsgText(Msg::ReasonNotFound);
        case 410:
            return &MsgText(Msg::ReasonGone);
        case 500:
            return &MsgText(Msg::ReasonServerError);
        case 502:
        case 503:
        case 504:
            return &MsgText(Msg::ReasonUnavailable);
        default:
            return nullptr;
    }
}

bool Says(const std::string& text, const char* words) {
    return text.find(words) != std::string::npos;
}

}  // namespace

std::string FailureReason(FetchOutcome outcome, int httpStatus, const std::string& clientError) {
    if (outcome == FetchOutcome::HttpStatus) {
        std::string text = MsgText(Msg::ReasonServerAnswered) + std::to_string(httpStatus);
        if (const std::string* name = StatusName(httpStatus)) {
            text += *name;
        } else {
            text += ' ';
        }
        return text + MsgText(Msg::ReasonAnsweredEnd);
    }
    if (outcome == FetchOutcome::CertificateError) {
        // The client already says which certificate and why, in the user's words.
        return clientError.empty() ? MsgText(Msg::ReasonCertificate) : clientError;
    }
    if (Says(clientError, "Null Remote Address") || Says(clientError, "resolve")) {
        return MsgText(Msg::ReasonHostUnknown);
    }
    if (Says(clientError, "Connection Failed") || Says(clientError, "TLS handshake") ||
        Says(clientError, "Proxy refused")) {
        return MsgText(Msg::ReasonNoConnection);
    }
    if (Says(clientError, "Timed out")) {
        return MsgText(Msg::ReasonTimedOut);
    }
    return MsgText(Msg::ReasonCutOff);
}

}  // namespace yomida
