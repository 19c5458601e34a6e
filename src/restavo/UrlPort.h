#pragma once
// The port of a server address such as "https://host:8443/path".
#include <QString>

// The decimal number after the colon that follows the host, up to the next
// "/" or the end of the address; 443 when the host has no colon after it. A
// port that is not an integer from 1 to 65535 raises AppError.
int UrlPort(const QString &url);
