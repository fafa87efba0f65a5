# Sources of this service are added by its fragment.
