#include "net/Fetch.h"

namespace lorvena {

int Fetch(CHttpRequest& http, const std::string& url, const std::string& authorization, std::string& request,
    std::string& header, std::string& body)
{
    HttpResult result;
    if (http.Request(url, nullptr, nullptr, 0, result, authorization) != 0)
        return 0;
    request = std::move(result.request);
    header = std::move(result.header);
    body = std::move(result.body);
    return 1;
}

} // namespace lorvena
