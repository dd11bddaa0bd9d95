#include "download/FetchPolicy.h"

namespace yomida {

bool UnattendedPolicy::Ask(FetchQuestion question, const std::string&) {
    switch (question) {
        case FetchQuestion::Download:
        case FetchQuestion::DownloadAgain:
            return true;
        case FetchQuestion::ImportAfterFailure:
        case FetchQuestion::ImportBrowserPage:
        case FetchQuestion::ImportKosumiraCsv:
        case FetchQuestion::ReplaceWithDropped:
            return false;
    }
    return false;
}

}  // namespace yomida
