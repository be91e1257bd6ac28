// SPDX-License-Identifier: MIT
// A program of its own that prints over TCP as a point-of-sale program would: connects to
// HOST:PORT, sends its standard input, and closes. With PIECE it sends PIECE bytes at a time with
// a pause between them, so that the receiver reads the stream in parts that split sequences.
//
//   tcp_send HOST PORT [PIECE]
//
// Exit 0 once every byte was sent and the connection closed, 1 otherwise.
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::cerr << "usage: tcp_send HOST PORT [PIECE]\n";
        return 1;
    }
    const std::size_t piece = argc == 4 ? std::strtoul(argv[3], nullptr, 10) : 0;
    const std::string stream(std::istreambuf_iterator<char>(std::cin), {});

    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(argv[1], argv[2], &hints, &found); error != 0) {
        std::cerr << "tcp_send: " << ::gai_strerror(error) << '\n';
        return 1;
    }
    const int fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    const bool connected = fd >= 0 && ::connect(fd, found->ai_addr, found->ai_addrlen) == 0;
    ::freeaddrinfo(found);
    if (!connected) {
        std::perror("tcp_send: connect");
        return 1;
    }
    std::size_t sent = 0;
    while (sent < stream.size()) {
        const std::size_t size =
            piece == 0 ? stream.size() - sent : std::min(piece, stream.size() - sent);
        const ssize_t n = ::send(fd, stream.data() + sent, size, MSG_NOSIGNAL);
        if (n <= 0) {
            std::perror("tcp_send: send");
            return 1;
        }
        sent += static_cast<std::size_t>(n);
        if (piece != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return ::close(fd) == 0 ? 0 : 1;
}
