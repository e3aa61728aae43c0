#!/usr/bin/python3
"""Usage: zeroconf_browse.py TIMEOUT_MS

python3-zeroconf's own browser for the printer service types, for the
benchmark: browses and resolves for TIMEOUT_MS and prints one line per
printer address as it resolves (address, tab, instance name). Debian
installs the module for /usr/bin/python3.
"""

import asyncio
import sys
import time

from zeroconf import IPVersion, ServiceStateChange
from zeroconf.asyncio import AsyncServiceBrowser, AsyncServiceInfo, AsyncZeroconf

TYPES = ["_ipp._tcp.local.", "_ipps._tcp.local.", "_pdl-datastream._tcp.local.",
         "_printer._tcp.local."]


async def browse(timeout):
    deadline = time.monotonic() + timeout
    zeroconf = AsyncZeroconf(ip_version=IPVersion.V4Only)
    seen, resolving = set(), []

    async def resolve(kind, name):
        info = AsyncServiceInfo(kind, name)
        left = deadline - time.monotonic()
        if left <= 0 or not await info.async_request(zeroconf.zeroconf, left * 1000):
            return
        for address in info.parsed_addresses():
            if address not in seen:
                seen.add(address)
                print(f"{address}\t{name[:-len(kind) - 1]}", flush=True)

    def changed(zeroconf, service_type, name, state_change):
        if state_change is ServiceStateChange.Added:
            resolving.append(asyncio.ensure_future(resolve(service_type, name)))

    browser = AsyncServiceBrowser(zeroconf.zeroconf, TYPES, handlers=[changed])
    await asyncio.sleep(max(deadline - time.monotonic(), 0))
    await browser.async_cancel()
    for task in resolving:
        task.cancel()
    await zeroconf.async_close()


if __name__ == "__main__":
    if len(sys.argv) != 2 or not sys.argv[1].isdigit():
        sys.exit(__doc__)
    asyncio.run(browse(int(sys.argv[1]) / 1000))
