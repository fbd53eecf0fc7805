/* SPDX-License-Identifier: GPL-3.0-or-later */
#ifndef ORNSEARCH_H
#define ORNSEARCH_H

/*
 * libornsearch: asks internet search engines for a query, all at once, and reports each
 * hit and each engine's progress through two callbacks.
 *
 * Engines are described by engine scripts (OpenSearch description documents with an
 * extension of ours, see docs/engines.md) in the program folder's "engines/" and in the
 * user's "$XDG_DATA_HOME/Vireo/engines/"; a user's script with the same short name as a
 * shipped one replaces it. A script's identifier is its full path.
 *
 * Conventions for every function:
 * - Texts are UTF-8 and NUL-terminated. Texts passed in stay owned by the caller; the
 *   library copies what it keeps before the function returns.
 * - The functions return at once unless said otherwise, and may be called from any one
 *   thread (the program's user-interface thread); they are not meant to be called from
 *   two threads at the same time, except CancelSearch, which may be called at any time.
 * - Results are 32-bit integers; 16-bit arguments are int16_t.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ORNSEARCH_BUILDING)
#define ORNSEARCH_API __attribute__((visibility("default")))
#else
#define ORNSEARCH_API
#endif

/* Sizes of the buffers GetSites fills; each text is cut at a character boundary so that
 * it fits with its terminating NUL. */
#define ORN_MAX_SITES 61    /* elements 0 to 60 */
#define ORN_NAME_BYTES 128  /* an engine's name */
#define ORN_ID_BYTES 4096   /* a script identifier: the script's path */
#define ORN_HOME_BYTES 1024 /* an engine's home-page address */

/* What GetSites returns. */
#define ORN_SITES_FAILED 0       /* an argument was missing */
#define ORN_SITES_OK 1           /* 1 to 200: success */
#define ORN_SITES_NO_SCRIPTS 201 /* above 200: neither folder holds a usable script */

/*
 * Status codes reported through OrnStatusCallback. For each site of a search the order is
 * 1, 2 (once the connection stands), then 3 (as the page begins to arrive) and 4 (its hits
 * follow) for each result page, 5, then exactly one of the ending codes
 * (6, 7, 8, 9, 11, 13, 14, 15, 16). A site may end before it reaches 2, 3 or 5 (a name
 * that does not resolve ends with 14 right after 1). Code 10 may come once, with the
 * site "", when the whole search passed its deadline; the sites still running then end
 * with 13. Code 0, with the site "", comes exactly once per search, last, after every
 * site has ended; nothing follows it. A script with several Urls asks the next one for a
 * page that the one before could not get or read (so 3 may follow 3); only the last
 * failure ends the site.
 */
#define ORN_STATUS_SEARCH_ENDED 0
#define ORN_STATUS_CONNECTING 1
#define ORN_STATUS_CONNECTED 2
#define ORN_STATUS_GETTING_PAGE 3
#define ORN_STATUS_WRITING_RESULTS 4
#define ORN_STATUS_DISCONNECTING 5
#define ORN_STATUS_COMPLETE 6          /* the site delivered what it had (perhaps nothing) */
#define ORN_STATUS_GENERAL_ERROR 7     /* an HTTP error or another failure of the transfer */
#define ORN_STATUS_TIMED_OUT 8         /* a transfer took longer than the time-out */
#define ORN_STATUS_CANCELLED 9         /* stopped by CancelSearch */
#define ORN_STATUS_SEARCH_TIMED_OUT 10 /* the whole search passed its deadline */
#define ORN_STATUS_SCRIPT_ERROR 11     /* the script cannot be read, or its rules fail on the page */
#define ORN_STATUS_NOT_USED 12
#define ORN_STATUS_DEADLINE 13    /* the site was still running when the search's deadline passed */
#define ORN_STATUS_UNRESOLVED 14  /* the host name could not be resolved */
#define ORN_STATUS_UNREACHABLE 15 /* the connection was refused or the host unreachable */
#define ORN_STATUS_INVALID_URL 16 /* the script's address template gives no usable address */
/* Added to the ending code 7, above the low 16 bits that carry the code itself: the site
 * refused an automated search (a bot check, a consent wall, "unusual traffic", HTTP 429)
 * rather than sending a page the script cannot read. The search log says which. */
#define ORN_STATUS_REFUSED 0x10000

/*
 * The callbacks arrive on the library's own worker thread, never two at once, and only
 * between InternetSearchMT and the status 0 of that search. The texts are valid only
 * during the call: copy what you keep. Return 0. A callback must not call
 * InternetSearchMT; it may call CancelSearch.
 */
typedef int32_t (*OrnResultCallback)(const char* site, const char* description, const char* title,
                                     const char* address);
typedef int32_t (*OrnStatusCallback)(const char* site, int32_t status);

/*
 * The engines the library knows, ordered by short name. `names`, `ids` and `homes` are
 * arrays of ORN_MAX_SITES buffers of ORN_NAME_BYTES, ORN_ID_BYTES and ORN_HOME_BYTES
 * bytes, owned by the caller; elements 0 to *count - 1 are filled and *count is set.
 * `programFolder` is the program folder (with or without a trailing "/"), holding
 * "engines/". When there are more than ORN_MAX_SITES scripts, the engines named by
 * KeepSites are kept first, then the others in short-name order up to ORN_MAX_SITES; the
 * rest are left out, named in the search log and by LeftOutSites.
 * Returns ORN_SITES_OK, ORN_SITES_NO_SCRIPTS (then *count is 0) or ORN_SITES_FAILED.
 */
ORNSEARCH_API int32_t GetSites(char (*names)[ORN_NAME_BYTES], char (*ids)[ORN_ID_BYTES],
                               char (*homes)[ORN_HOME_BYTES], int16_t* count, const char* programFolder);

/*
 * The engines GetSites keeps before the others when it cannot report them all (the
 * program names the engines of its search groups, so that no group loses one to the
 * limit). `names` is an array ended by a NULL pointer; an entry names an engine when it
 * equals the engine's name with its spaces trimmed and cut to `nameWidth` characters
 * (0: not cut), as the program shows it, or its whole name trimmed. Replaces the list of
 * an earlier call; NULL empties it. Returns 1.
 */
ORNSEARCH_API int32_t KeepSites(const char* const* names, int16_t nameWidth);

/*
 * The engines the last GetSites left out for want of room, one line each ended by "\n":
 * the script identifier, a tab, the engine's name; in short-name order. When the text
 * and its NUL fit into `buffer` of `size` bytes it is copied there, else `buffer` (when
 * `size` is above 0) gets an empty text. Returns the text's length without the NUL (0:
 * none was left out), so a caller may ask with size 0 first.
 */
ORNSEARCH_API int32_t LeftOutSites(char* buffer, int32_t size);

/*
 * Starts a search and returns at once (1 started, 0 refused: an argument is missing or a
 * search is still running). `scripts` is an array of script identifiers ended by a NULL
 * pointer; empty texts in it are skipped and an identifier named twice runs once, so
 * every site gets its own codes. Each site is asked for up to `siteMax` hits, paging
 * until it has them or runs dry, whatever the other sites delivered: `maxHits`, the number
 * of hits the program keeps of the whole search (the best by their rank within their
 * site), only names the search in the log. Every transfer is bounded by `timeout` seconds
 * and the whole search by a deadline derived from it (status 10). Every site's transfer
 * runs at once, one page at a time per site; `maxTransfers` is no longer a limit (the
 * program passes 20) and is kept so that the interface stays as it was.
 * `group` is the number of the search group the list was made from; it names the group
 * in the search log (see AddHash).
 */
ORNSEARCH_API int32_t InternetSearchMT(const char* const* scripts, const char* query, int16_t siteMax,
                                       int16_t maxHits, int16_t timeout, OrnResultCallback onResult,
                                       OrnStatusCallback onStatus, int16_t maxTransfers, int16_t group);

/*
 * Asks the running search to stop: every site still running ends with 9 and the search
 * ends with 0 within a quarter of a second. Safe at any time, also when nothing runs and
 * from within a callback. Returns 1 when a search was running, else 0.
 */
ORNSEARCH_API int32_t CancelSearch(void);

/*
 * Brings the user's engine scripts up to date from the engine feed: the address in the
 * environment variable VIREO_ENGINE_FEED when set, else the one built in (none by
 * default). Fetches the feed's index, then each script that is newer than the copy in use,
 * checks its SHA-256 and that it reads as a valid script, and only then replaces the
 * user's copies. A failed or partial update changes nothing. Blocks until done (bounded
 * to about 30 seconds). Returns the number of scripts updated, 0 when there was nothing
 * to update, ORN_UPDATE_NO_FEED when no engine feed is set (nothing was checked), and
 * another negative number when the update failed. Unlike the other functions it may run
 * on a thread of its own while the program's thread starts and follows a search.
 */
#define ORN_UPDATE_NO_FEED (-2)
ORNSEARCH_API int32_t UpdateScripts(const char* programFolder);

/* 1 when a network interface other than loopback is up and there is a default route
 * (IPv4 or IPv6), else 0. Reads only the system's own tables: no network traffic. */
ORNSEARCH_API int32_t ConnectionExists(void);

/* The table of search groups: their numbers and names, used to name a search's group in
 * the search log. ClearHashTable empties it; AddHash adds or replaces one group. */
ORNSEARCH_API int32_t ClearHashTable(void);
ORNSEARCH_API int32_t AddHash(int16_t number, const char* name);

#ifdef __cplusplus
}
#endif

#endif /* ORNSEARCH_H */
