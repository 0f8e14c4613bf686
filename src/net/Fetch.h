#pragma once

#include "net/CHttpRequest.h"

#include <string>

namespace lorvena {

// A plain GET through `http` (no extra headers, no body). 1 when the request
// succeeded, 0 otherwise; only on success are the three texts replaced.
int Fetch(CHttpRequest& http, const std::string& url, const std::string& authorization, std::string& request,
    std::string& header, std::string& body);

} // namespace lorvena
