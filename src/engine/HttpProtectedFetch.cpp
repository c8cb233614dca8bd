#include "engine/HttpProtectedFetch.h"

#include "net/HttpClient.h"

ProtectedFetchResult HttpProtectedFetch::Fetch(const ProtectedFetchRequest& request) {
    HttpClient http;
    http.URL = request.URL;
    http.Proxy = request.Proxy;
    http.SetBasicCredentials(request.UserName, request.Password);
    http.Execute();
    ProtectedFetchResult result;
    result.Body = http.Body.Data();
    result.ContentSize = http.ContentSize;
    return result;
}
