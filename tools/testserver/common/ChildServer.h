#pragma once
// Starting one of the loopback server scripts as a child process: the script prints "PORT <n>" as its
// first line once it listens, and ends on SIGTERM (or on its own when the parent goes away). Also the
// loopback connection the launchers talk to it through.

#include <sys/types.h>

#include <string>
#include <vector>

namespace testserver {

// A command-line argument for a number ("%g").
std::string numberArgument(double v);

// Starts args[0] with the arguments args with its standard output on a pipe, then waits up to 20 s for
// the first line it prints (or for the pipe to close). Returns the child's process id with that output
// in firstLine, or -1 with the reason in failure when the process could not be started.
pid_t spawnChildServer(std::vector<std::string> args, std::string& firstLine, std::string& failure);

// The port of a "PORT <n>" line; 0 when the line is not one or the port is not positive.
int reportedPort(const std::string& firstLine);

// Stops the child with SIGTERM and reaps it; pid becomes -1. Nothing happens when pid is not positive.
void stopChildServer(pid_t& pid);

// A TCP connection to 127.0.0.1:port whose sends and receives time out after timeoutSeconds; -1 when
// it cannot be made.
int connectLoopback(int port, int timeoutSeconds);

}  // namespace testserver
