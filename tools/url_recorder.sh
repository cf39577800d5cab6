#!/bin/sh
# Stands in for the desktop's default browser in tests: Wine's winebrowser
# runs it with the URL, and it appends the URL to $KX_URL_LOG.
echo "$1" >> "${KX_URL_LOG:-/tmp/kx_url_recorder.log}"
