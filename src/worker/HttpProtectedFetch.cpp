#include "worker/HttpProtectedFetch.h"

#include "net/Http.h"

ProtectedFetchResult HttpProtectedFetch::Fetch(const ProtectedFetchRequest& request) {
    T_HTTP A_Http1;
    A_Http1.URL = request.URL;
    A_Http1.Proxy = request.Proxy;
    A_Http1.SetBasicCredentials(request.UserName, request.Password);
    A_Http1.Execute();
    ProtectedFetchResult result;
    result.Body = A_Http1.Body.Data();
    result.ContentSize = A_Http1.ContentSize;
    return result;
}
