#pragma once

#include <string>

// A connection's password kept in a file of its own, named by the PasswordFile
// key of the connection's section, so that the connections file holds no secret.
namespace db {

// Where the file named by a PasswordFile value is: an absolute path as it stands,
// a relative one in the folder of the connections file, its links resolved (the
// package's /usr/lib/olvarin/dbxconnections.ini, a link into /etc/olvarin/, finds
// "hq.password" in /etc/olvarin/).
std::string passwordFilePath(const std::string& value, const std::string& connectionsFile);

// The password the file holds: its first line, without the line ending ("\n" or
// "\r\n"), taken whole. Throws db::Error naming the path when the file does not
// exist, is not a regular file, may be read or written by anyone but its owner,
// cannot be read, or its first line is empty.
std::string readPasswordFile(const std::string& path);

}  // namespace db
