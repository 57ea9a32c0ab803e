# Parses a metrics file with the Prometheus client's own text-format parser
# and prints each family and sample on a line: a sample as its name, its
# labels as sorted JSON and its value. A text the parser refuses fails.
import json
import sys

from prometheus_client.parser import text_string_to_metric_families

with open(sys.argv[1], encoding="utf-8") as metrics:
    text = metrics.read()
for family in text_string_to_metric_families(text):
    print("family %s %s" % (family.name, family.type))
    for sample in family.samples:
        print(sample.name, json.dumps(sample.labels, sort_keys=True), repr(sample.value))
