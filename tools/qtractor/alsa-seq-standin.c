/* A stand-in for the kernel's ALSA sequencer, preloaded into Qtractor on a
 * machine without /dev/snd/seq (a container, CI): Qtractor will not start its
 * engine without a sequencer client, though the plug-in never sees MIDI.
 *
 * It takes over only the calls that would reach the kernel. The client is
 * alone on its sequencer: its ports and its one queue exist, nothing else does,
 * nothing arrives and whatever is sent is dropped. The info records Qtractor
 * passes in are allocated and read by libasound's own accessors, so they are
 * filled through those accessors too.
 *
 *   cc -shared -fPIC -o libalsa-seq-standin.so alsa-seq-standin.c \
 *      -Wl,--version-script=alsa-seq-standin.map -lasound
 */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef struct snd_seq_client_info snd_seq_client_info_t;
typedef struct snd_seq_port_info snd_seq_port_info_t;
typedef struct snd_seq_port_subscribe snd_seq_port_subscribe_t;
typedef struct snd_seq_query_subscribe snd_seq_query_subscribe_t;
typedef struct snd_seq_queue_status snd_seq_queue_status_t;
typedef struct snd_seq_queue_tempo snd_seq_queue_tempo_t;
typedef struct snd_seq_queue_timer snd_seq_queue_timer_t;
typedef struct snd_seq_remove_events snd_seq_remove_events_t;
typedef struct snd_seq_event snd_seq_event_t;

/* libasound's own, for the records above. */
size_t snd_seq_client_info_sizeof(void);
void snd_seq_client_info_set_client(snd_seq_client_info_t* info, int client);
void snd_seq_client_info_set_name(snd_seq_client_info_t* info, const char* name);
size_t snd_seq_port_info_sizeof(void);
void snd_seq_port_info_set_client(snd_seq_port_info_t* info, int client);
void snd_seq_port_info_set_port(snd_seq_port_info_t* info, int port);
void snd_seq_port_info_set_name(snd_seq_port_info_t* info, const char* name);
void snd_seq_port_info_set_capability(snd_seq_port_info_t* info, unsigned capability);
size_t snd_seq_queue_status_sizeof(void);
size_t snd_seq_queue_tempo_sizeof(void);
void snd_seq_queue_tempo_copy(snd_seq_queue_tempo_t* dst, const snd_seq_queue_tempo_t* src);
void snd_seq_queue_tempo_set_tempo(snd_seq_queue_tempo_t* info, unsigned tempo);
void snd_seq_queue_tempo_set_ppq(snd_seq_queue_tempo_t* info, int ppq);
void snd_seq_queue_tempo_set_skew(snd_seq_queue_tempo_t* info, unsigned skew);
void snd_seq_queue_tempo_set_skew_base(snd_seq_queue_tempo_t* info, unsigned base);

enum {
    kClient = 128,
    kMaxPorts = 64,
    kNameSize = 64,
    kSkewBase = 0x10000
};

typedef struct snd_seq {
    int wake[2]; /* a pipe nobody writes: the descriptor Qtractor polls for input */
    char name[kNameSize];
    struct {
        int used;
        unsigned capability;
        char name[kNameSize];
    } ports[kMaxPorts];
    int queueUsed;
    snd_seq_queue_tempo_t* tempo;
} snd_seq_t;

int snd_seq_open(snd_seq_t** seq, const char* name, int streams, int mode) {
    (void)name;
    (void)streams;
    (void)mode;
    snd_seq_t* s = calloc(1, sizeof *s);
    if (!s || !(s->tempo = calloc(1, snd_seq_queue_tempo_sizeof())) || pipe2(s->wake, O_CLOEXEC) != 0) {
        if (s) {
            free(s->tempo);
        }
        free(s);
        return -ENOMEM;
    }
    snd_seq_queue_tempo_set_tempo(s->tempo, 500000);
    snd_seq_queue_tempo_set_ppq(s->tempo, 96);
    snd_seq_queue_tempo_set_skew(s->tempo, kSkewBase);
    snd_seq_queue_tempo_set_skew_base(s->tempo, kSkewBase);
    strcpy(s->name, "Client");
    *seq = s;
    return 0;
}

int snd_seq_close(snd_seq_t* seq) {
    close(seq->wake[0]);
    close(seq->wake[1]);
    free(seq->tempo);
    free(seq);
    return 0;
}

int snd_seq_client_id(snd_seq_t* seq) {
    (void)seq;
    return kClient;
}

int snd_seq_set_client_name(snd_seq_t* seq, const char* name) {
    strncpy(seq->name, name, kNameSize - 1);
    return 0;
}

int snd_seq_poll_descriptors_count(snd_seq_t* seq, short events) {
    (void)seq;
    return (events & POLLIN) ? 1 : 0;
}

int snd_seq_poll_descriptors(snd_seq_t* seq, struct pollfd* fds, unsigned space, short events) {
    if (space < 1 || !(events & POLLIN)) {
        return 0;
    }
    fds[0].fd = seq->wake[0];
    fds[0].events = POLLIN;
    fds[0].revents = 0;
    return 1;
}

int snd_seq_create_simple_port(snd_seq_t* seq, const char* name, unsigned capability, unsigned type) {
    (void)type;
    for (int port = 0; port < kMaxPorts; ++port) {
        if (!seq->ports[port].used) {
            seq->ports[port].used = 1;
            seq->ports[port].capability = capability;
            strncpy(seq->ports[port].name, name ? name : "", kNameSize - 1);
            return port;
        }
    }
    return -ENOMEM;
}

int snd_seq_delete_simple_port(snd_seq_t* seq, int port) {
    if (port < 0 || port >= kMaxPorts || !seq->ports[port].used) {
        return -ENOENT;
    }
    seq->ports[port].used = 0;
    return 0;
}

static int fillPort(snd_seq_t* seq, int port, snd_seq_port_info_t* info) {
    if (port < 0 || port >= kMaxPorts || !seq->ports[port].used) {
        return -ENOENT;
    }
    memset(info, 0, snd_seq_port_info_sizeof());
    snd_seq_port_info_set_client(info, kClient);
    snd_seq_port_info_set_port(info, port);
    snd_seq_port_info_set_name(info, seq->ports[port].name);
    snd_seq_port_info_set_capability(info, seq->ports[port].capability);
    return 0;
}

int snd_seq_get_port_info(snd_seq_t* seq, int port, snd_seq_port_info_t* info) {
    return fillPort(seq, port, info);
}

int snd_seq_get_any_port_info(snd_seq_t* seq, int client, int port, snd_seq_port_info_t* info) {
    return client == kClient ? fillPort(seq, port, info) : -ENOENT;
}

/* Timestamping and the like change nothing a lone client could observe. */
int snd_seq_set_port_info(snd_seq_t* seq, int port, snd_seq_port_info_t* info) {
    (void)info;
    return port >= 0 && port < kMaxPorts && seq->ports[port].used ? 0 : -ENOENT;
}

int snd_seq_get_any_client_info(snd_seq_t* seq, int client, snd_seq_client_info_t* info) {
    if (client != kClient) {
        return -ENOENT;
    }
    memset(info, 0, snd_seq_client_info_sizeof());
    snd_seq_client_info_set_client(info, kClient);
    snd_seq_client_info_set_name(info, seq->name);
    return 0;
}

/* Other clients and their ports are what Qtractor lists for connections: none. */
int snd_seq_query_next_client(snd_seq_t* seq, snd_seq_client_info_t* info) {
    (void)seq;
    (void)info;
    return -ENOENT;
}

int snd_seq_query_next_port(snd_seq_t* seq, snd_seq_port_info_t* info) {
    (void)seq;
    (void)info;
    return -ENOENT;
}

int snd_seq_query_port_subscribers(snd_seq_t* seq, snd_seq_query_subscribe_t* subs) {
    (void)seq;
    (void)subs;
    return -ENOENT;
}

/* There is no other port to connect to. */
int snd_seq_subscribe_port(snd_seq_t* seq, snd_seq_port_subscribe_t* sub) {
    (void)seq;
    (void)sub;
    return -ENOENT;
}

int snd_seq_unsubscribe_port(snd_seq_t* seq, snd_seq_port_subscribe_t* sub) {
    (void)seq;
    (void)sub;
    return -ENOENT;
}

int snd_seq_alloc_queue(snd_seq_t* seq) {
    if (seq->queueUsed) {
        return -EBUSY;
    }
    seq->queueUsed = 1;
    return 0;
}

int snd_seq_free_queue(snd_seq_t* seq, int queue) {
    if (queue != 0 || !seq->queueUsed) {
        return -EINVAL;
    }
    seq->queueUsed = 0;
    return 0;
}

int snd_seq_set_queue_tempo(snd_seq_t* seq, int queue, snd_seq_queue_tempo_t* tempo) {
    if (queue != 0 || !seq->queueUsed) {
        return -EINVAL;
    }
    snd_seq_queue_tempo_copy(seq->tempo, tempo);
    return 0;
}

int snd_seq_get_queue_tempo(snd_seq_t* seq, int queue, snd_seq_queue_tempo_t* tempo) {
    if (queue != 0 || !seq->queueUsed) {
        return -EINVAL;
    }
    snd_seq_queue_tempo_copy(tempo, seq->tempo);
    return 0;
}

int snd_seq_set_queue_timer(snd_seq_t* seq, int queue, snd_seq_queue_timer_t* timer) {
    (void)timer;
    return queue == 0 && seq->queueUsed ? 0 : -EINVAL;
}

/* The queue never runs: its time stays at tick 0. */
int snd_seq_get_queue_status(snd_seq_t* seq, int queue, snd_seq_queue_status_t* status) {
    if (queue != 0 || !seq->queueUsed) {
        return -EINVAL;
    }
    memset(status, 0, snd_seq_queue_status_sizeof());
    return 0;
}

int snd_seq_control_queue(snd_seq_t* seq, int queue, int type, int value, snd_seq_event_t* ev) {
    (void)type;
    (void)value;
    (void)ev;
    return queue == 0 && seq->queueUsed ? 0 : -EINVAL;
}

int snd_seq_event_output(snd_seq_t* seq, snd_seq_event_t* ev) {
    (void)seq;
    (void)ev;
    return 0;
}

int snd_seq_event_output_direct(snd_seq_t* seq, snd_seq_event_t* ev) {
    (void)seq;
    (void)ev;
    return 0;
}

int snd_seq_drain_output(snd_seq_t* seq) {
    (void)seq;
    return 0;
}

int snd_seq_drop_output(snd_seq_t* seq) {
    (void)seq;
    return 0;
}

int snd_seq_drop_input(snd_seq_t* seq) {
    (void)seq;
    return 0;
}

int snd_seq_remove_events(snd_seq_t* seq, snd_seq_remove_events_t* rmp) {
    (void)seq;
    (void)rmp;
    return 0;
}

int snd_seq_event_input(snd_seq_t* seq, snd_seq_event_t** ev) {
    (void)seq;
    *ev = NULL;
    return -EAGAIN;
}

int snd_seq_event_input_pending(snd_seq_t* seq, int fetch) {
    (void)seq;
    (void)fetch;
    return 0;
}
